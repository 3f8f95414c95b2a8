#include "app/widget.h"

#include "app/application.h"
#include "app/layout.h"
#include "book/bookface.h"
#include "words/word.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>

namespace {

// The whole screen the window is on: the primary one at start. Full screen fills this screen,
// so its layout is made for it, and where a desktop has several screens the window starts on
// the primary one whatever the position of that screen.
QRect desktop(const QWidget &window)
{
    return window.screen()->geometry();
}

} // namespace

Widget::Widget(QWidget *parent, const AudioPlayerFactory &makePlayer, const Content::Sources &book)
    : QWidget(parent)
{
    resize(Layout::windowSize);
    setWindowFlags(Qt::FramelessWindowHint);
    move(desktop(*this).topLeft() + Layout::windowPosition(desktop(*this).size()));
    QPalette black = palette();
    black.setBrush(QPalette::All, QPalette::Window, QBrush(QColor(0, 0, 0, 255)));
    setPalette(black);

    createChildren(makePlayer, book);
    setWindowLayout();
    nameChildren();
    connectChildren();
}

void Widget::createChildren(const AudioPlayerFactory &makePlayer, const Content::Sources &book)
{
    // Creation order is stacking order: the word view lies above every button so that it
    // covers them in word mode, and the page area lies above everything else.
    m_face = new QLabel(this);
    m_pageView = new bookface(this, makePlayer, book);
    m_directoryButton = new QPushButton(this);
    m_upButton = new QPushButton(this);
    m_upButton->setShortcut(QKeySequence(Qt::Key_Left));
    m_nextButton = new QPushButton(this);
    m_nextButton->setShortcut(QKeySequence(Qt::Key_Right));
    m_qutButton = new QPushButton(this);
    m_findButton = new QPushButton(this);
    m_jumpButton = new QPushButton(this);
    m_fullButton = new QPushButton(this);
    m_fullButton->setShortcut(QKeySequence(tr("ctrl+f")));
    m_wordButton = new QPushButton(this);
    m_flashButton = new QPushButton(this);
    m_flash2Button = new QPushButton(this);
    m_wordView = new word(this, makePlayer);
    m_pageArea = new QScrollArea(this);

    m_pageArea->show();
    m_pageArea->setWidget(m_pageView);
    m_wordView->hide();
    m_flash2Button->hide();

    auto *quit = new QShortcut(QKeySequence(tr("ctrl+q")), this);
    quit->setContext(Qt::WindowShortcut);
    connect(quit, &QShortcut::activated, this, &Widget::close);

    for (QPushButton *button :
         {m_qutButton, m_nextButton, m_upButton, m_directoryButton, m_findButton, m_jumpButton,
          m_fullButton, m_wordButton, m_flashButton, m_flash2Button})
        button->setFocusPolicy(Qt::NoFocus);
}

void Widget::setWindowLayout()
{
    m_pageArea->setGeometry(Layout::pageArea);
    m_wordView->setGeometry(Layout::centredPanel(size()));
    m_face->setGeometry(Layout::face);
    m_pageView->setGeometry(Layout::pageView);
    m_directoryButton->setGeometry(Layout::directoryButton);
    m_qutButton->setGeometry(Layout::qutButton);
    m_nextButton->setGeometry(Layout::nextButton);
    m_upButton->setGeometry(Layout::upButton);
    m_findButton->setGeometry(Layout::findButton);
    m_jumpButton->setGeometry(Layout::jumpButton);
    m_fullButton->setGeometry(Layout::fullButton);
    m_wordButton->setGeometry(Layout::wordButton);
    m_flashButton->setGeometry(Layout::flashButton);
    m_flash2Button->setGeometry(Layout::flash2Button);
}

void Widget::nameChildren()
{
    m_face->setObjectName(QStringLiteral("face"));
    m_directoryButton->setObjectName(QStringLiteral("directory"));
    m_qutButton->setObjectName(QStringLiteral("qut"));
    m_nextButton->setObjectName(QStringLiteral("next"));
    m_upButton->setObjectName(QStringLiteral("up"));
    m_findButton->setObjectName(QStringLiteral("find"));
    m_jumpButton->setObjectName(QStringLiteral("jump"));
    m_fullButton->setObjectName(QStringLiteral("full"));
    m_wordButton->setObjectName(QStringLiteral("word"));
    m_flashButton->setObjectName(QStringLiteral("flash"));
    m_flash2Button->setObjectName(QStringLiteral("flash"));
    m_flash2Button->hide();
}

void Widget::connectChildren()
{
    connect(m_nextButton, &QPushButton::clicked, m_pageView, &bookface::setBookNowNext);
    connect(m_upButton, &QPushButton::clicked, m_pageView, &bookface::setBookNowUp);
    connect(m_qutButton, &QPushButton::clicked, this, &Widget::close);
    connect(m_directoryButton, &QPushButton::clicked, m_pageView, &bookface::setDirectory);
    connect(m_fullButton, &QPushButton::clicked, this, &Widget::setfull);
    connect(m_findButton, &QPushButton::clicked, m_pageView, &bookface::findButton);
    connect(m_jumpButton, &QPushButton::clicked, m_pageView, &bookface::jumpPag);
    connect(m_wordButton, &QPushButton::clicked, this, &Widget::setword);
    connect(m_wordView->backButton(), &QPushButton::clicked, this, &Widget::setword);
    connect(m_wordView, &word::qutword, this, &Widget::setword);
    connect(m_flashButton, &QPushButton::clicked, m_pageView, &bookface::playFlash);
    connect(m_flash2Button, &QPushButton::clicked, m_pageView, &bookface::playFlash2);
    connect(m_pageView, &bookface::setflash2, this, &Widget::setflash2);
}

void Widget::setfull()
{
    if (m_windowMode) {
        showFullScreen();
        setFullLayout();
        m_windowMode = false;
        return;
    }
    showNormal();
    // The scroll area still carries its full-screen fixed size, which the window layout's
    // setGeometry alone would not undo.
    m_pageArea->move(Layout::pageArea.topLeft());
    m_pageArea->setFixedSize(Layout::pageArea.size());
    // Above everything again, as the window was built.
    m_pageArea->raise();
    m_face->show();
    m_wordButton->show();
    m_qutButton->show();
    installStyleSheet(windowStyleSheet);
    setWindowLayout();
    m_windowMode = true;
}

void Widget::setword()
{
    // The background label is the record of the mode: shown in book mode only.
    if (!m_face->isHidden()) {
        m_pageView->readingPlayer()->stopIfPlaying();
        m_face->hide();
        m_pageArea->hide();
        m_wordView->show();
        setBookKeysEnabled(false);
        m_pageView->gamePlayer()->stopIfPlaying();
        m_wordView->enterpractice();
        return;
    }
    m_face->show();
    m_pageArea->show();
    m_wordView->hide();
    setBookKeysEnabled(true);
    m_wordView->leavepractice();
    if (m_pageView->currentSpread() >= 1 && !m_pageView->gameMode())
        m_pageView->loadSpreadAudio();
}

void Widget::setBookKeysEnabled(bool enabled)
{
    // The practice covers these buttons but not their keys: Left and Right would turn the
    // hidden book, and Ctrl+F would leave practice behind a book that thinks it is shown.
    for (QPushButton *button : {m_upButton, m_nextButton, m_fullButton})
        button->setEnabled(enabled);
}

void Widget::setFullLayout()
{
    const Layout::FullScreen layout = Layout::fullScreen(desktop(*this).size());
    m_face->hide();
    // On a screen under about 1240 pixels wide the page area reaches the corner page buttons,
    // and on a low one the top of the bottom row: it goes beneath the buttons, of which the
    // contents button is the lowest.
    m_pageArea->stackUnder(m_directoryButton);
    installStyleSheet(fullScreenStyleSheet);
    m_pageArea->setFixedSize(layout.pageArea.size());
    m_pageArea->move(layout.pageArea.topLeft());
    // The page view keeps its full size; on a low screen the scroll area scrolls it.
    m_pageView->resize(layout.pageView);
    m_qutButton->hide();
    m_wordButton->hide();
    m_nextButton->setGeometry(layout.nextButton);
    m_upButton->setGeometry(layout.upButton);
    m_jumpButton->setGeometry(layout.jumpButton);
    m_directoryButton->setGeometry(layout.directoryButton);
    m_fullButton->setGeometry(layout.fullButton);
    m_findButton->setGeometry(layout.findButton);
    m_flashButton->setGeometry(layout.flashButton);
    m_flash2Button->setGeometry(layout.flash2Button);
}

void Widget::setflash2(int b)
{
    m_flashButton->setVisible(b != 0);
    m_flash2Button->setVisible(b != 0 && b != 1);
}

void Widget::paintEvent(QPaintEvent *)
{
    const QRect panel = Layout::centredPanel(size());
    m_face->setGeometry(panel);
    m_wordView->setGeometry(panel);

    QPainter painter(this);
    // QPixmap's own cache keeps the decoded backdrop between paints.
    painter.drawPixmap(rect(), QPixmap(QStringLiteral(":/Image/full.jpg")));
}

void Widget::closeEvent(QCloseEvent *event)
{
    QMessageBox box;
    box.setIcon(QMessageBox::NoIcon);
    box.setIconPixmap(QPixmap(QStringLiteral(":/Image/qut_ico.png")));
    box.setWindowTitle(QStringLiteral("Mivora提示你:"));
    box.setTextFormat(Qt::RichText);
    box.setText(QStringLiteral("<h1>您确定要退出吗?</h1>"));
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    if (box.exec() == QMessageBox::Yes)
        event->accept();
    else
        event->ignore();
}
