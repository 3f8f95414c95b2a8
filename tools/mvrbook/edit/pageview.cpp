#include "tools/mvrbook/edit/pageview.h"

#include "content/spreadmap.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

constexpr double handleReach = 6; // widget pixels around a handle that grab it
constexpr int smallestDrawn = 4;  // frame points; a smaller rectangle drawn is a slip

QRect clampedToFrame(QRect rect)
{
    const QRect frame(QPoint(0, 0), spreadFrame);
    rect.moveLeft(std::clamp(rect.left(), 0, std::max(0, frame.right() - rect.width() + 1)));
    rect.moveTop(std::clamp(rect.top(), 0, std::max(0, frame.bottom() - rect.height() + 1)));
    return rect.intersected(frame);
}

} // namespace

PageView::PageView(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumSize(455, 290);
}

void PageView::setPage(const QImage &page)
{
    m_page = page;
    update();
}

void PageView::setHotspots(const QList<QRect> &rects)
{
    m_rects = rects;
    update();
}

void PageView::setSelected(int index)
{
    m_selected = index;
    update();
}

void PageView::setWordBoxes(const QList<QRect> &boxes)
{
    m_words = boxes;
    update();
}

QRect PageView::frameArea() const
{
    const QSize size = spreadFrame.scaled(this->size(), Qt::KeepAspectRatio);
    return QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
}

QPoint PageView::toWidget(QPoint framePoint) const
{
    return toWidget(QRect(framePoint, QSize(1, 1))).center().toPoint();
}

QRectF PageView::toWidget(const QRect &frameRect) const
{
    const QRect area = frameArea();
    const double sx = double(area.width()) / spreadFrame.width();
    const double sy = double(area.height()) / spreadFrame.height();
    return QRectF(area.left() + frameRect.left() * sx, area.top() + frameRect.top() * sy,
                  (frameRect.width()) * sx, (frameRect.height()) * sy);
}

QPoint PageView::toFrame(QPointF widgetPoint) const
{
    const QRect area = frameArea();
    if (area.isEmpty())
        return {};
    const int x = int((widgetPoint.x() - area.left()) * spreadFrame.width() / area.width());
    const int y = int((widgetPoint.y() - area.top()) * spreadFrame.height() / area.height());
    return {std::clamp(x, 0, spreadFrame.width() - 1), std::clamp(y, 0, spreadFrame.height() - 1)};
}

Qt::Edges PageView::handleAt(QPointF point) const
{
    if (m_selected < 0 || m_selected >= m_rects.size())
        return {};
    const QRectF r = toWidget(m_rects[m_selected]);
    const auto near = [](double a, double b) { return std::abs(a - b) <= handleReach; };
    const double midX = r.center().x();
    const double midY = r.center().y();
    Qt::Edges edges;
    const bool atLeft = near(point.x(), r.left());
    const bool atRight = near(point.x(), r.right());
    const bool atTop = near(point.y(), r.top());
    const bool atBottom = near(point.y(), r.bottom());
    const bool acrossX = atLeft || atRight || near(point.x(), midX);
    const bool acrossY = atTop || atBottom || near(point.y(), midY);
    if (!acrossX || !acrossY)
        return {};
    if (atLeft)
        edges |= Qt::LeftEdge;
    if (atRight)
        edges |= Qt::RightEdge;
    if (atTop)
        edges |= Qt::TopEdge;
    if (atBottom)
        edges |= Qt::BottomEdge;
    return edges;
}

void PageView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Dark));
    const QRect area = frameArea();
    if (m_page.isNull())
        painter.fillRect(area, Qt::white);
    else
        painter.drawImage(area, m_page);
    painter.setRenderHint(QPainter::Antialiasing);

    painter.setPen(QPen(QColor(0, 120, 255, 110), 1));
    painter.setBrush(Qt::NoBrush);
    for (const QRect &word : std::as_const(m_words))
        painter.drawRect(toWidget(word));

    QFont number = font();
    number.setBold(true);
    painter.setFont(number);
    const QFontMetrics metrics(number);
    for (qsizetype i = 0; i < m_rects.size(); ++i) {
        const bool chosen = i == m_selected;
        const QRect shown =
            chosen && m_drag != Drag::None && m_drag != Drag::Draw ? m_dragRect : m_rects[i];
        const QRectF r = toWidget(shown);
        painter.setPen(QPen(chosen ? QColor(230, 0, 90) : QColor(255, 120, 0), chosen ? 3 : 2));
        painter.setBrush(chosen ? QColor(230, 0, 90, 40) : QColor(255, 200, 0, 30));
        painter.drawRect(r);
        const QString label = QString::number(i);
        const QRectF badge(r.topLeft(),
                           QSizeF(metrics.horizontalAdvance(label) + 8, metrics.height() + 2));
        painter.fillRect(badge, chosen ? QColor(230, 0, 90) : QColor(255, 120, 0));
        painter.setPen(Qt::white);
        painter.drawText(badge, Qt::AlignCenter, label);
        if (chosen) {
            painter.setPen(QPen(Qt::black, 1));
            painter.setBrush(Qt::white);
            for (const double x : {r.left(), r.center().x(), r.right()}) {
                for (const double y : {r.top(), r.center().y(), r.bottom()}) {
                    if (x != r.center().x() || y != r.center().y())
                        painter.drawRect(QRectF(x - 4, y - 4, 8, 8));
                }
            }
        }
    }
    if (m_drag == Drag::Draw) {
        painter.setPen(QPen(QColor(230, 0, 90), 2, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(toWidget(m_dragRect));
    }
}

void PageView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setFocus();
    const QPointF point = event->position();
    m_pressFrame = toFrame(point);
    ++m_dragCount;
    if (const Qt::Edges edges = handleAt(point)) {
        m_drag = Drag::Resize;
        m_edges = edges;
        m_pressRect = m_dragRect = m_rects[m_selected];
        return;
    }
    // Where rectangles overlap the lower number wins, as in the program.
    const auto at = std::find_if(m_rects.cbegin(), m_rects.cend(),
                                 [&](const QRect &r) { return r.contains(m_pressFrame); });
    const int hit = at == m_rects.cend() ? -1 : int(at - m_rects.cbegin());
    if (hit >= 0) {
        m_selected = hit;
        emit selected(hit);
        m_drag = Drag::Move;
        m_edges = Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge;
        m_pressRect = m_dragRect = m_rects[hit];
    } else {
        m_drag = Drag::Draw;
        m_dragRect = QRect(m_pressFrame, QSize(1, 1));
    }
    update();
}

void PageView::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF point = event->position();
    if (m_drag == Drag::None) {
        const Qt::Edges edges = handleAt(point);
        const bool diagonal =
            (edges & (Qt::LeftEdge | Qt::RightEdge)) && (edges & (Qt::TopEdge | Qt::BottomEdge));
        const bool falling =
            edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge);
        setCursor(!edges     ? Qt::ArrowCursor
                  : diagonal ? (falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor)
                  : (edges & (Qt::LeftEdge | Qt::RightEdge)) ? Qt::SizeHorCursor
                                                             : Qt::SizeVerCursor);
        return;
    }
    const QPoint at = toFrame(point);
    const QPoint moved = at - m_pressFrame;
    if (m_drag == Drag::Move) {
        m_dragRect = clampedToFrame(m_pressRect.translated(moved));
    } else if (m_drag == Drag::Resize) {
        QRect r = m_pressRect;
        if (m_edges & Qt::LeftEdge)
            r.setLeft(std::min(r.left() + moved.x(), r.right()));
        if (m_edges & Qt::RightEdge)
            r.setRight(std::max(r.right() + moved.x(), r.left()));
        if (m_edges & Qt::TopEdge)
            r.setTop(std::min(r.top() + moved.y(), r.bottom()));
        if (m_edges & Qt::BottomEdge)
            r.setBottom(std::max(r.bottom() + moved.y(), r.top()));
        m_dragRect = r;
    } else {
        m_dragRect = QRect(m_pressFrame, at).normalized();
    }
    if (m_drag != Drag::Draw && m_dragRect != m_rects[m_selected])
        emit rectDragged(m_selected, m_dragRect, m_edges, m_dragCount, false);
    update();
}

void PageView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_drag == Drag::None)
        return;
    const Drag drag = m_drag;
    m_drag = Drag::None;
    if (drag == Drag::Draw) {
        if (m_dragRect.width() >= smallestDrawn && m_dragRect.height() >= smallestDrawn)
            emit drawn(m_dragRect);
    } else if (m_dragRect != m_pressRect) {
        emit rectDragged(m_selected, m_dragRect, m_edges, m_dragCount, true);
    }
    update();
}

void PageView::keyPressEvent(QKeyEvent *event)
{
    const bool corner = event->modifiers() & Qt::ShiftModifier;
    switch (event->key()) {
    case Qt::Key_Left:
        emit nudged(-1, 0, corner);
        break;
    case Qt::Key_Right:
        emit nudged(1, 0, corner);
        break;
    case Qt::Key_Up:
        emit nudged(0, -1, corner);
        break;
    case Qt::Key_Down:
        emit nudged(0, 1, corner);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}
