#pragma once

#include "tools/mvrbook/edit/spreadmedia.h"

#include <QList>
#include <QWidget>

#include <memory>
#include <utility>

// The spread's recording as a waveform, where it speaks shaded, each hotspot's segment marked
// with its number and its start and end as handles to drag. A click sets the place to play
// from and selects the segment there. The wheel scrolls, Ctrl with the wheel zooms. Like the page
// view it changes nothing itself: it says what the author did.
class WaveformView : public QWidget
{
    Q_OBJECT
public:
    explicit WaveformView(QWidget *parent = nullptr);

    // Null while the recording is being read.
    void setTrace(std::shared_ptr<const RecordingTrace> trace);
    // Each hotspot's segment in ms; (-1, -1) for one without times.
    void setSegments(const QList<std::pair<int, int>> &segments);
    // Selects a segment and scrolls it into view.
    void setSelected(int index);
    void setPlayhead(int ms); // -1 for none
    int cursor() const { return m_cursor; }

    void zoom(double factor);
    int xOf(int ms) const;

    QSize sizeHint() const override { return {910, 160}; }

signals:
    void selected(int index);
    // A boundary of segment `index` dragged to `ms`; `drag` counts the drags, so each undoes
    // as one; `finished` on release.
    void boundaryDragged(int index, bool end, int ms, int drag, bool finished);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    int msAt(double x) const;
    int lengthMs() const;
    // The boundary within reach of x: segment and whether its end; (-1, false) for none.
    std::pair<int, bool> boundaryAt(double x) const;
    void scrollTo(int ms);
    // Scrolls the selected segment into view where it is not.
    void showSelected();

    std::shared_ptr<const RecordingTrace> m_trace;
    QList<std::pair<int, int>> m_segments;
    int m_selected = -1;
    int m_playhead = -1;
    int m_cursor = 0;
    double m_msPerPixel = 20;
    int m_originMs = 0; // at the left edge

    int m_dragIndex = -1;
    bool m_dragEnd = false;
    int m_dragMs = 0;
    int m_dragCount = 0;
};
