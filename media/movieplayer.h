#pragma once

#include "media/audioplayer.h"

#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <vector>

// Shows a movie file over its whole area with its sound, from the start as soon as it is
// loaded, until its end or until it is hidden or closed; then it holds its last picture. A
// file that cannot be played leaves the area black.
//
// The pictures are decoded by FFmpeg's libraries on a thread of their own and painted with
// QPainter, so a machine without a GPU shows them as any other; the sound goes through the
// program's own AudioPlayer, and the pictures follow what the sound server has played of it
// (or the wall clock, for a movie without sound). Qt Multimedia's video widget was measured
// to leave the window black and stop the sound part way in most runs, and to be heard a second
// after the click (README, "Sound").
class MoviePlayer : public QWidget
{
    Q_OBJECT
public:
    explicit MoviePlayer(QWidget *parent = nullptr);
    ~MoviePlayer() override;

    void loadMovie(const QString &path);
    // Movies a player of this size may be asked for next: their first pictures are decoded and
    // their sound opened now, so that they show and sound as soon as they are loaded. Those
    // prepared before and not among them are dropped.
    static void prepare(const QStringList &paths, QSize size);
    bool isPlaying() const { return m_playing; }
    // The movie's time that has been heard, or seen where it has no sound.
    qint64 position() const;
    // The picture on show; null before the first.
    const QImage &picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    class Pictures;
    static std::vector<std::unique_ptr<Pictures>> &prepared();
    static std::unique_ptr<Pictures> takePrepared(const QString &key);

    void stop();
    void tick();

    AudioPlayer m_sound;
    std::unique_ptr<Pictures> m_pictures;
    QImage m_picture;
    QTimer m_tick;
    bool m_playing = false;
    // The movie's clock: what the sound server last said it had played, and the time since.
    mutable qint64 m_heardMs = 0;
    mutable QElapsedTimer m_sinceHeard;
};
