#include "book/flash.h"

#include "media/movieplayer.h"

flash::flash(int width, int height, QWidget *parent)
    : QDialog(parent)
{
    setFixedSize(width, height);
    // Without CustomizeWindowHint the window system would add the buttons back.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    m_movieWidget = new MoviePlayer(this);
    m_movieWidget->resize(width, height);
}

flash::~flash()
{
    m_movieWidget->close();
}

void flash::loadMovie()
{
    m_movieWidget->loadMovie(m_moviePath);
    m_movieWidget->show();
}

QSize moviePlayerSize(QSize desktop)
{
    // The desktop's bottom minus its top: one less than its height.
    const int d = desktop.height() - 1;
    return {(4 * d - 396) / 3, d - 99};
}
