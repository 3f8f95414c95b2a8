#pragma once

#include "book/content.h"
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
                    const AudioPlayerFactory &makePlayer = AudioPlayer::factory(),
                    const Content::Sources &book = {});

    void setWindowLayout();

public slots:
    // Switches between the 1100 x 723 window and full screen, where the page is shown at full
    // size and the buttons move to the screen's edges.
    void setfull();
    // Switches between the book and the spelling practice, stopping (not clearing) the sounds
    // of the side that is left.
    void setword();
    // Shows the animation buttons for a spread's number of animations: none for 0, the first
    // for 1, both for any other value.
    void setflash2(int b);

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createChildren(const AudioPlayerFactory &makePlayer, const Content::Sources &book);
    void nameChildren();
    void connectChildren();
    void setFullLayout();
    void setBookKeysEnabled(bool enabled);

    QLabel *m_face = nullptr;
    QPushButton *m_qutButton = nullptr;
    QPushButton *m_nextButton = nullptr;
    QPushButton *m_upButton = nullptr;
    QPushButton *m_directoryButton = nullptr;
    QPushButton *m_findButton = nullptr;
    QPushButton *m_jumpButton = nullptr;
    QPushButton *m_fullButton = nullptr;
    QPushButton *m_wordButton = nullptr;
    QPushButton *m_flashButton = nullptr;
    QPushButton *m_flash2Button = nullptr;
    bookface *m_pageView = nullptr;
    QScrollArea *m_pageArea = nullptr;
    word *m_wordView = nullptr;
    // One main window per process, so its mode is simply its own.
    bool m_windowMode = true;
};
