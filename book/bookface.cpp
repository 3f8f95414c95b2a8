#include "book/bookface.h"

bookface::bookface(QWidget *parent, AudioPlayerFactory makePlayer)
    : QLabel(parent)
{
    Q_UNUSED(makePlayer);
}
