#pragma once

#include <QDialog>
#include <QSize>

class MoviePlayer;

// The animation player: a fixed-size dialog with a title bar but no close, minimise or
// maximise button, whose movie fills it and plays from loadMovie() until Escape closes it.
class flash : public QDialog
{
    Q_OBJECT
public:
    flash(int width, int height, QWidget *parent);
    ~flash() override;

    void setMoviePath(const QString &path) { m_moviePath = path; }
    const QString &moviePath() const { return m_moviePath; }
    void loadMovie();

    MoviePlayer *movieWidget() const { return m_movieWidget; }

private:
    QString m_moviePath;
    MoviePlayer *m_movieWidget = nullptr;
};

// The player's size on a desktop of this size: as high as the desktop less 100 pixels, in
// 4 : 3.
QSize moviePlayerSize(QSize desktop);
