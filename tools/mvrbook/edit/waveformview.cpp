#include "tools/mvrbook/edit/waveformview.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

constexpr double boundaryReach = 5; // widget pixels either side of a boundary that grab it
constexpr double finestMsPerPixel = 1;
constexpr double coarsestMsPerPixel = 500;
constexpr int scaleHeight = 16; // the time scale along the bottom

} // namespace

WaveformView::WaveformView(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumHeight(110);
}

void WaveformView::setTrace(std::shared_ptr<const RecordingTrace> trace)
{
    m_trace = std::move(trace);
    // A whole recording of up to a minute fits at first.
    if (m_trace && m_trace->lengthMs > 0 && width() > 0)
        m_msPerPixel = std::clamp(double(m_trace->lengthMs) / width(), finestMsPerPixel,
                                  coarsestMsPerPixel / 10);
    m_originMs = 0;
    showSelected();
    update();
}

void WaveformView::setSegments(const QList<std::pair<int, int>> &segments)
{
    m_segments = segments;
    update();
}

void WaveformView::setSelected(int index)
{
    m_selected = index;
    showSelected();
    update();
}

void WaveformView::showSelected()
{
    if (m_selected >= 0 && m_selected < m_segments.size() && m_segments[m_selected].first >= 0) {
        const auto [start, end] = m_segments[m_selected];
        if (xOf(start) < 0 || xOf(end) > width())
            scrollTo(start - int(width() * m_msPerPixel / 10));
    }
}

void WaveformView::setPlayhead(int ms)
{
    m_playhead = ms;
    if (ms >= 0 && xOf(ms) > width())
        scrollTo(ms);
    update();
}

void WaveformView::zoom(double factor)
{
    // Zooming keeps in its place what the author works on: a boundary being dragged, else the
    // selected segment, else the place to play from.
    const bool segment =
        m_selected >= 0 && m_selected < m_segments.size() && m_segments[m_selected].first >= 0;
    const int keep = m_dragIndex >= 0 ? m_dragMs
                     : segment        ? m_segments[m_selected].first
                                      : m_cursor;
    const int keepX = xOf(keep);
    m_msPerPixel = std::clamp(m_msPerPixel / factor, finestMsPerPixel, coarsestMsPerPixel);
    scrollTo(keep - int(keepX * m_msPerPixel));
    if (m_dragIndex < 0)
        showSelected();
}

int WaveformView::xOf(int ms) const
{
    return int(std::lround((ms - m_originMs) / m_msPerPixel));
}

int WaveformView::msAt(double x) const
{
    return std::max(0, m_originMs + int(std::lround(x * m_msPerPixel)));
}

int WaveformView::lengthMs() const
{
    return m_trace ? m_trace->lengthMs : 0;
}

std::pair<int, bool> WaveformView::boundaryAt(double x) const
{
    // The selected segment's boundaries first: neighbours often touch.
    QList<int> order;
    if (m_selected >= 0 && m_selected < m_segments.size())
        order.append(m_selected);
    for (int i = 0; i < m_segments.size(); ++i)
        order.append(i);
    for (const int i : std::as_const(order)) {
        const auto [start, end] = m_segments[i];
        if (start < 0)
            continue;
        if (std::abs(xOf(end) - x) <= boundaryReach)
            return {i, true};
        if (std::abs(xOf(start) - x) <= boundaryReach)
            return {i, false};
    }
    return {-1, false};
}

void WaveformView::scrollTo(int ms)
{
    const int widest = std::max(0, lengthMs() - int(width() * m_msPerPixel) + 1000);
    m_originMs = std::clamp(ms, 0, widest);
    update();
}

void WaveformView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect wave(0, 0, width(), height() - scaleHeight);
    painter.fillRect(rect(), QColor(250, 250, 246));
    if (!m_trace || m_trace->samples.empty()) {
        painter.setPen(Qt::darkGray);
        painter.drawText(wave, Qt::AlignCenter,
                         m_trace ? m_trace->error : QStringLiteral("正在读录音……"));
        return;
    }
    // Speech shaded, so the pauses a boundary belongs in stand out.
    for (const auto &[begin, end] : m_trace->speech)
        painter.fillRect(QRect(QPoint(xOf(begin), wave.top()), QPoint(xOf(end), wave.bottom())),
                         QColor(225, 235, 250));

    for (int i = 0; i < m_segments.size(); ++i) {
        const auto [start, end] = m_segments[i];
        if (start < 0 || end < start)
            continue;
        const bool chosen = i == m_selected;
        const QRect band(QPoint(xOf(start), wave.top()), QPoint(xOf(end), wave.bottom()));
        painter.fillRect(band, chosen ? QColor(230, 0, 90, 50) : QColor(255, 160, 0, 35));
        painter.setPen(QPen(chosen ? QColor(230, 0, 90) : QColor(255, 120, 0), chosen ? 2 : 1));
        painter.drawLine(band.topLeft(), band.bottomLeft());
        painter.drawLine(band.topRight(), band.bottomRight());
        painter.drawText(band.adjusted(4, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                         QString::number(i));
    }

    // Each pixel column shows the loudest sample either way within its time.
    const auto &samples = m_trace->samples;
    const double perPixel = m_msPerPixel * m_trace->sampleRate / 1000;
    const int middle = wave.center().y();
    const double half = wave.height() / 2.0 - 2;
    painter.setPen(QColor(40, 60, 90));
    for (int x = 0; x < width(); ++x) {
        const qint64 from = qint64((m_originMs * m_trace->sampleRate / 1000) + x * perPixel);
        const qint64 to = std::min<qint64>(qint64(samples.size()), qint64(from + perPixel) + 1);
        if (from >= qint64(samples.size()))
            break;
        float low = 0;
        float high = 0;
        for (qint64 n = from; n < to; ++n) {
            low = std::min(low, samples[size_t(n)]);
            high = std::max(high, samples[size_t(n)]);
        }
        painter.drawLine(x, middle - int(high * half), x, middle - int(low * half));
    }

    // The scale: a mark every second, or every tenth when zoomed in.
    painter.setPen(Qt::darkGray);
    const int step = m_msPerPixel < 5 ? 100 : m_msPerPixel < 40 ? 1000 : 5000;
    for (int ms = m_originMs / step * step; xOf(ms) < width(); ms += step) {
        const int x = xOf(ms);
        painter.drawLine(x, wave.bottom(), x, wave.bottom() + 4);
        if (ms % (step * (step == 100 ? 5 : 1)) == 0)
            painter.drawText(x + 2, height() - 3, QStringLiteral("%1 s").arg(ms / 1000.0));
    }
    painter.setPen(QPen(QColor(0, 140, 0), 1, Qt::DashLine));
    painter.drawLine(xOf(m_cursor), 0, xOf(m_cursor), wave.bottom());
    if (m_playhead >= 0) {
        painter.setPen(QPen(Qt::red, 2));
        painter.drawLine(xOf(m_playhead), 0, xOf(m_playhead), wave.bottom());
    }
}

void WaveformView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setFocus();
    const double x = event->position().x();
    const auto [index, end] = boundaryAt(x);
    if (index >= 0) {
        m_dragIndex = index;
        m_dragEnd = end;
        m_dragMs = end ? m_segments[index].second : m_segments[index].first;
        ++m_dragCount;
        if (index != m_selected) {
            m_selected = index;
            emit selected(index);
        }
        return;
    }
    m_cursor = msAt(x);
    for (int i = 0; i < m_segments.size(); ++i) {
        if (m_segments[i].first <= m_cursor && m_cursor < m_segments[i].second) {
            m_selected = i;
            emit selected(i);
            break;
        }
    }
    update();
}

void WaveformView::mouseMoveEvent(QMouseEvent *event)
{
    const double x = event->position().x();
    if (m_dragIndex < 0) {
        setCursor(boundaryAt(x).first >= 0 ? Qt::SizeHorCursor : Qt::ArrowCursor);
        return;
    }
    const int ms = std::min(msAt(x), lengthMs());
    if (ms != m_dragMs) {
        m_dragMs = ms;
        emit boundaryDragged(m_dragIndex, m_dragEnd, ms, m_dragCount, false);
    }
}

void WaveformView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_dragIndex < 0)
        return;
    const int index = m_dragIndex;
    m_dragIndex = -1;
    emit boundaryDragged(index, m_dragEnd, m_dragMs, m_dragCount, true);
}

void WaveformView::wheelEvent(QWheelEvent *event)
{
    const int steps = event->angleDelta().y() / 120;
    if (event->modifiers() & Qt::ControlModifier)
        zoom(std::pow(1.25, steps));
    else
        scrollTo(m_originMs - int(steps * width() * m_msPerPixel / 8));
    event->accept();
}
