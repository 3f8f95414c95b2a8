#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QWidget>

// The spread's page image with its hotspots drawn and numbered, the selected one with handles.
// A press in a hotspot selects it and drags it, on a handle resizes it, elsewhere draws a new
// one; the arrow keys move the selected one by a point of the frame, with Shift its lower
// right corner. It changes nothing itself: it says what the author did, in the 910 x 580 frame.
class PageView : public QWidget
{
    Q_OBJECT
public:
    explicit PageView(QWidget *parent = nullptr);

    void setPage(const QImage &page);
    void setHotspots(const QList<QRect> &rects);
    void setSelected(int index);
    // The words read on the page, drawn faintly: what rectangles snap to.
    void setWordBoxes(const QList<QRect> &boxes);

    QSize sizeHint() const override { return {910, 580}; }

    // Where the frame is drawn in the widget; for tests that press on a hotspot.
    QRect frameArea() const;
    QPoint toWidget(QPoint framePoint) const;

signals:
    void selected(int index); // -1 for none
    // A drag of hotspot `index` with the edges it changes (all four for a move); `drag` counts
    // the drags, so each undoes as one; `finished` on release.
    void rectDragged(int index, const QRect &rect, Qt::Edges edges, int drag, bool finished);
    void drawn(const QRect &rect);
    void nudged(int dx, int dy, bool corner);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QRectF toWidget(const QRect &frameRect) const;
    QPoint toFrame(QPointF widgetPoint) const;
    // The edges of the selected hotspot a press at `point` would move; none off its handles.
    Qt::Edges handleAt(QPointF point) const;

    QImage m_page;
    QList<QRect> m_rects;
    QList<QRect> m_words;
    int m_selected = -1;

    enum class Drag { None, Move, Resize, Draw };
    Drag m_drag = Drag::None;
    Qt::Edges m_edges;
    QPoint m_pressFrame;
    QRect m_pressRect;
    QRect m_dragRect;
    int m_dragCount = 0;
};
