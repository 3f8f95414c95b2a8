#pragma once

#include "media/audioplayer.h"

#include <QPushButton>
#include <QWidget>

// The word practice view.
class word : public QWidget
{
    Q_OBJECT
public:
    explicit word(QWidget *parent, AudioPlayerFactory makePlayer = AudioPlayer::factory());

    QPushButton *backButton() const { return m_backButton; }

private:
    QPushButton *m_backButton = nullptr;
};
