#pragma once

#include "content/content.h"
#include "content/gamerandom.h"
#include "content/spreadmap.h"
#include "media/audioplayer.h"
#include "media/recorder.h"

#include <QLabel>
#include <QPixmap>

class QTimer;

// The page view: paints one two-page spread of the book, reads its hotspots aloud, runs the
// find-it game on them and turns the spreads. Spread 0 is the contents; from 1 on the spreads
// are read. The page image comes from the bundle that fits the view's height (the window-size
// bundle at exactly 580 pixels, the full-size one otherwise) and the screen's pixels: on a
// screen of more than one pixel per logical pixel, the bundle at twice the pixels.
//
// Three helps change what a sentence does when it is read: repeat plays it three times with a
// short pause between; say it after me then records the child for as long as the sentence
// and a second more, with a level meter on the sentence, plays the recording back and the
// sentence once more; read on reads every sentence of the spread in the order of the recording
// and goes on through the next spreads to the end of the book.
class bookface : public QLabel
{
    Q_OBJECT
public:
    explicit bookface(QWidget *parent,
                      const AudioPlayerFactory &makePlayer = AudioPlayer::factory(),
                      const Content::Sources &sources = {}, Clock clock = &QTime::currentTime,
                      ReadFailureReport report = {},
                      RecorderFactory makeRecorder = Recorder::factory());

    int currentSpread() const { return m_currentSpread; }
    bool gameMode() const { return m_gameMode; }
    const SpreadMap &spreadMap() const { return m_spreadMap; }
    AbstractAudioPlayer *readingPlayer() const { return m_readingPlayer; }
    AbstractAudioPlayer *gamePlayer() const { return m_gamePlayer; }
    bool readingOn() const { return m_readingOn; }
    bool repeats() const { return m_repeats; }
    bool saysAfter() const { return m_saysAfter; }

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
    void readingOnChanged(bool on);
    void sayAfterChanged(bool on);
    // Say it after me found no microphone; it has turned itself off.
    void microphoneMissing();

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
    // Starts reading on from the first sentence of the spread, or stops it.
    void readOnButton();
    void setRepeats(bool on);
    void setSaysAfter(bool on);
    // Stops what is being read and every help that goes on from it; the toggles stay.
    void stopReading();

protected:
    bool event(QEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void paintEvent(QPaintEvent *e) override;

private:
    void silence();
    // Shows spread k, which is in the book, without silencing anything.
    void turnTo(int k);
    // What follows a sentence: its repeats, the child's turn, the next one read on.
    enum class Step { Idle, Model, Pause, Recording, PlayingBack, ModelAgain };
    void startSentence(int index);
    void playModel();
    void segmentEnded();
    void sentenceDone();
    void readOnFrom(int position, int delayMs);
    void recordingMade();
    void recordingPlayedBack();
    void noMicrophone();
    AbstractRecorder *recorder();
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
    void prepareAnimations();
    // The animation player's size on this screen.
    static QSize animationPlayerSize();
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

    RecorderFactory m_makeRecorder;
    // Made when say it after me is first used: until then no microphone is opened.
    AbstractRecorder *m_recorder = nullptr;
    bool m_repeats = false;
    bool m_saysAfter = false;
    bool m_readingOn = false;
    Step m_step = Step::Idle;
    int m_sentence = -1;
    int m_playsLeft = 0;
    double m_level = 0;
    // Read on: the spread's hotspots by start time, and the place in that list.
    QList<int> m_readOrder;
    int m_readPosition = 0;
    // The pause before the next play of a repeat or the next sentence read on.
    QTimer *m_pause = nullptr;

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
