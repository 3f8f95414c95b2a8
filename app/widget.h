#pragma once

#include "app/application.h"
#include "content/content.h"
#include "content/layout.h"
#include "content/listfile.h"
#include "media/audioplayer.h"
#include "media/recorder.h"
#include "progress/history.h"
#include "progress/lastplace.h"

#include <QPixmap>
#include <QWidget>

#include <array>
#include <memory>

class QLabel;
class QPushButton;
class QScrollArea;
class bookface;
class word;

// The program's only top-level window: a frameless 1100 x 723 window holding the page view
// in its scroll area, the word practice view and the image buttons that drive them. Closing
// it asks first. Given a settings file (placeFile), it reopens where the child left off; given
// a history file, it keeps every practice pass there.
class Widget : public QWidget
{
    Q_OBJECT
public:
    explicit Widget(QWidget *parent = nullptr,
                    const AudioPlayerFactory &makePlayer = AudioPlayer::factory(),
                    const Content::Sources &book = {},
                    const ReadFailureReport &report = showReadFailureBox,
                    const QString &placeFile = {}, const QString &historyFile = {},
                    const RecorderFactory &makeRecorder = Recorder::factory());
    ~Widget() override;

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
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createChildren(const AudioPlayerFactory &makePlayer, const Content::Sources &book,
                        const ReadFailureReport &report, const RecorderFactory &makeRecorder);
    void nameChildren();
    void connectChildren();
    void setFullLayout();
    QPushButton *button(Layout::ButtonId id) const;
    void setBookKeysEnabled(bool enabled);
    void watchScreen(QScreen *screen);
    void keepInsideScreen();
    // The reading helps that are on show their buttons pressed in.
    void showHelps();
    void tellNoMicrophone();

    QLabel *m_face = nullptr;
    std::array<QPushButton *, Layout::buttons.size()> m_buttons{}; // as the button table
    bookface *m_pageView = nullptr;
    QScrollArea *m_pageArea = nullptr;
    word *m_wordView = nullptr;
    std::unique_ptr<LastPlace> m_place;
    std::unique_ptr<History> m_history;
    // One main window per process, so its mode is simply its own.
    bool m_windowMode = true;
    // The screen whose free area the window is kept inside, once shown.
    QMetaObject::Connection m_screenWatch;
    // The backdrop decoded at the window's pixels once, not at every paint: at 2x the picture
    // is too large for Qt's pixmap cache, and decoding it again at every page turn would cost
    // more than the turn.
    QPixmap m_backdrop;
};
