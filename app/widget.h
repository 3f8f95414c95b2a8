#pragma once

#include "media/audioplayer.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QScrollArea;
class bookface;
class word;

// The program's only top-level window: a frameless 1100 x 723 window holding the page view
// in its scroll area, the word practice view and the image buttons that drive them. Closing
// it asks first.
class Widget : public QWidget
{
    Q_OBJECT
public:
    explicit Widget(QWidget *parent = nullptr,
                    const AudioPlayerFactory &makePlayer = AudioPlayer::factory());

    void setWindowLayout();

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createChildren(const AudioPlayerFactory &makePlayer);
    void nameChildren();
    void connectChildren();

    QLabel *face = nullptr;
    QPushButton *qutButton = nullptr;
    QPushButton *nextButton = nullptr;
    QPushButton *upButton = nullptr;
    QPushButton *directoryButton = nullptr;
    QPushButton *findButton = nullptr;
    QPushButton *jumpButton = nullptr;
    QPushButton *fullButton = nullptr;
    QPushButton *wordButton = nullptr;
    QPushButton *flashButton = nullptr;
    QPushButton *flash2Button = nullptr;
    bookface *pageView = nullptr;
    QScrollArea *pageArea = nullptr;
    word *wordView = nullptr;
};
