#pragma once

#include "content/content.h"
#include "content/gamerandom.h"
#include "content/spreadmap.h"
#include "media/audioplayer.h"

#include <QLabel>
#include <QPixmap>

class QTimer;

// The page view: paints one two-page spread of the book, reads its hotspots aloud, runs the
// find-it game on them and turns the spreads. Spread 0 is the contents; from 1 on the spreads
// are read. The page image comes from the bundle that fits the view's height (the window-size
// bundle at exactly 580 pixels, the full-size one otherwise) and the screen's pixels: on a
// screen of more than one pixel per logical pixel, the bundle at twice the pixels.
class bookface : public QLabel
{
    Q_OBJECT
public:
    explicit bookface(QWidget *parent,
                      const AudioPlayerFactory &makePlayer = AudioPlayer::factory(),
                      const Content::Sources &sources = {}, Clock clock = &QTime::currentTime,
                      ReadFailureReport report = {});

    int currentSpread() const { return m_currentSpread; }
    bool gameMode() const { return m_gameMode; }
    const SpreadMap &spreadMap() const { return m_spreadMap; }
    AbstractAudioPlayer *readingPlayer() const { return m_readingPlayer; }
    AbstractAudioPlayer *gamePlayer() const { return m_gamePlayer; }

    // Reads the hotspots of the current spread and reports its number of animations.
    void loadSpread();
    // Gives the reading player the current spread's audio; does nothing on the contents spread
    // or while the game runs.
    void loadSpreadAudio();
    // Shows spread k (kept within the book), as a jump does.
    void openSpread(int k);
    // Opens the spread of the contents entry under the pointer.
    void jumpFromContents();
    // The hover test at view position (x, y): cursor, hovered hotspot.
    void trackPointer(int x, int y);
    void pickTarget(int n);
    int randomBelow(int n);
    // Judges a game click at view position (x, y) against the target's rectangle only.
    void checkGameClick(int x, int y);

signals:
    void setflash2(int i);
    // Every spread shown, the opening one included.
    void spreadShown(int k);

public slots:
    void setBookNowNext();
    void setBookNowUp();
    void endTime();
    void setDirectory();
    void findButton();
    void findPronunciation();
    void jumpPag();
    void playFlash();
    void playFlash2();

protected:
    bool event(QEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void paintEvent(QPaintEvent *e) override;

private:
    void silence();
    void showSpread();
    // Hover and tip for where the pointer rests now, after the spread under it changed.
    void followPointer();
    // The hotspot under the pointer, or null. A hover index left over from the previous spread
    // that the new spread's list does not reach counts as none.
    const Hotspot *hoveredHotspot() const;
    // The hotspot whose segment a click has the reading player play, or null.
    const Hotspot *heardHotspot() const;
    void playSegment(int index, int intervalMs);
    void playAnimation(const QString &path);
    QPixmap decodePage() const;

    AbstractAudioPlayer *m_readingPlayer = nullptr;
    AbstractAudioPlayer *m_gamePlayer = nullptr;
    const int m_firstSpread = 1;
    const int m_lastSpread;
    int m_currentSpread = 1;
    bool m_hovering = false;
    SpreadMap m_spreadMap;
    int m_hoverIndex = -1;
    QString m_audioPath;
    QTimer *m_segmentTimer = nullptr;
    bool m_gameMode = false;
    int m_gameTarget = 0;
    int m_playingIndex = 0;
    bool m_freshGame = true;

    Content::Sources m_sources;
    Clock m_clock;
    // The decoded page at the size and pixel ratio it was drawn at, so that repaints of the same
    // spread (scrolling in full-screen mode) do not decode again.
    struct
    {
        int spread = -1;
        QSize size;
        qreal pixelRatio = 1;
        QPixmap pixmap;
    } m_page;

    friend class TestBookface;
};
