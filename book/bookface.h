#pragma once

#include "media/audioplayer.h"

#include <QLabel>

// The page view: shows one two-page spread of the book.
class bookface : public QLabel
{
    Q_OBJECT
public:
    explicit bookface(QWidget *parent, AudioPlayerFactory makePlayer = AudioPlayer::factory());
};
