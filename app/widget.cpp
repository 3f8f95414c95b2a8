#include "app/widget.h"

#include "book/bookface.h"
#include "content/interfaceimage.h"
#include "words/word.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QWindow>

namespace {

// The whole screen the window is on: the primary one at start. Full screen fills this screen,
// so its layout is made for it, and where a desktop has several screens the window starts on
// the primary one whatever the position of that screen.
QRect desktop(const QWidget &window)
{
    return window.screen()->geometry();
}

} // namespace

Widget::Widget(QWidget *parent, const AudioPlayerFactory &makePlayer, const Content::Sources &book,
               const ReadFailureReport &report, const QString &placeFile,
               const QString &historyFile, const RecorderFactory &makeRecorder)
    : QWidget(parent)
{
    resize(Layout::windowSize);
    setWindowFlags(Qt::FramelessWindowHint);
    // Placed on what the desktop leaves free: panels and task bars would hide part of a
    // window placed on the whole screen, and a frameless window cannot be dragged out.
    const QRect available = screen()->availableGeometry();
    move(available.topLeft() + Layout::windowPosition(available.size()));
    QPalette black = palette();
    black.setBrush(QPalette::All, QPalette::Window, QBrush(QColor(0, 0, 0, 255)));
    setPalette(black);

    // The desktop lists the window (task bar, window switcher) by the book's name; without a
    // title it falls back to the program's.
    if (!book.title.isEmpty())
        setWindowTitle(book.title);

    createChildren(makePlayer, book, report, makeRecorder);
    setWindowLayout();
    nameChildren();
    connectChildren();
    // The page view reported the opening spread's animations before it was connected: the
    // buttons start as that spread has them, not with a first button that plays nothing.
    setflash2(m_pageView->spreadMap().flash());

    const QByteArray bookIdentity = LastPlace::bookIdentity(book.mapPath);
    if (!historyFile.isEmpty()) {
        // Told once, over the practice; the practice goes on without history.
        m_history = std::make_unique<History>(bookIdentity, historyFile, [this](const QString &m) {
            QMessageBox::warning(m_wordView, QStringLiteral("学习记录"), m);
        });
        m_wordView->keepHistory(m_history.get());
    }

    // The program reopens where the child left off in this book.
    if (!placeFile.isEmpty()) {
        m_place = std::make_unique<LastPlace>(bookIdentity, placeFile);
        const LastPlace::Place place = m_place->load(book.lastSpread, book.offeredUnits());
        if (place.spread != m_pageView->currentSpread())
            m_pageView->openSpread(place.spread);
        m_wordView->chooseUnit(place.unit);
        connect(m_pageView, &bookface::spreadShown, this,
                [this](int k) { m_place->saveSpread(k); });
        connect(m_wordView, &word::unitChosen, this, [this](int unit) { m_place->saveUnit(unit); });
    }
}

Widget::~Widget() = default;

void Widget::createChildren(const AudioPlayerFactory &makePlayer, const Content::Sources &book,
                            const ReadFailureReport &report, const RecorderFactory &makeRecorder)
{
    // Creation order is stacking order: the word view lies above every button so that it
    // covers them in word mode, and the page area lies above everything else.
    m_face = new QLabel(this);
    m_pageView = new bookface(this, makePlayer, book, &QTime::currentTime, report, makeRecorder);
    for (QPushButton *&b : m_buttons) {
        b = new QPushButton(this);
        b->setFocusPolicy(Qt::NoFocus);
    }
    button(Layout::ButtonId::Up)->setShortcut(QKeySequence(Qt::Key_Left));
    button(Layout::ButtonId::Next)->setShortcut(QKeySequence(Qt::Key_Right));
    button(Layout::ButtonId::Full)->setShortcut(QKeySequence(tr("ctrl+f")));
    m_wordView = new word(this, makePlayer, book, report);
    m_pageArea = new QScrollArea(this);

    m_pageArea->show();
    m_pageArea->setWidget(m_pageView);
    m_wordView->hide();
    button(Layout::ButtonId::Flash2)->hide();

    auto *quit = new QShortcut(QKeySequence(tr("ctrl+q")), this);
    quit->setContext(Qt::WindowShortcut);
    connect(quit, &QShortcut::activated, this, &Widget::close);
}

QPushButton *Widget::button(Layout::ButtonId id) const
{
    return m_buttons[static_cast<std::size_t>(id)];
}

void Widget::setWindowLayout()
{
    m_pageArea->setGeometry(Layout::pageArea);
    m_wordView->setGeometry(Layout::centredPanel(size()));
    m_face->setGeometry(Layout::face);
    m_pageView->setGeometry(Layout::pageView);
    for (std::size_t i = 0; i < m_buttons.size(); ++i)
        m_buttons[i]->setGeometry(Layout::buttons[i].window);
}

void Widget::nameChildren()
{
    m_face->setObjectName(QStringLiteral("face"));
    for (std::size_t i = 0; i < m_buttons.size(); ++i)
        m_buttons[i]->setObjectName(Layout::buttons[i].objectName.toString());
}

void Widget::connectChildren()
{
    using Layout::ButtonId;
    connect(button(ButtonId::Next), &QPushButton::clicked, m_pageView, &bookface::setBookNowNext);
    connect(button(ButtonId::Up), &QPushButton::clicked, m_pageView, &bookface::setBookNowUp);
    connect(button(ButtonId::Qut), &QPushButton::clicked, this, &Widget::close);
    connect(button(ButtonId::Directory), &QPushButton::clicked, m_pageView,
            &bookface::setDirectory);
    connect(button(ButtonId::Full), &QPushButton::clicked, this, &Widget::setfull);
    connect(button(ButtonId::Find), &QPushButton::clicked, m_pageView, &bookface::findButton);
    connect(button(ButtonId::Jump), &QPushButton::clicked, m_pageView, &bookface::jumpPag);
    connect(button(ButtonId::Word), &QPushButton::clicked, this, &Widget::setword);
    connect(m_wordView->backButton(), &QPushButton::clicked, this, &Widget::setword);
    connect(m_wordView, &word::qutword, this, &Widget::setword);
    connect(button(ButtonId::Flash), &QPushButton::clicked, m_pageView, &bookface::playFlash);
    connect(button(ButtonId::Flash2), &QPushButton::clicked, m_pageView, &bookface::playFlash2);
    connect(m_pageView, &bookface::setflash2, this, &Widget::setflash2);
    connect(button(ButtonId::ReadOn), &QPushButton::clicked, m_pageView, &bookface::readOnButton);
    connect(button(ButtonId::Repeat), &QPushButton::clicked, this,
            [this] { m_pageView->setRepeats(!m_pageView->repeats()); });
    connect(button(ButtonId::SayAfter), &QPushButton::clicked, this,
            [this] { m_pageView->setSaysAfter(!m_pageView->saysAfter()); });
    // A click lets a button up before it is reported, so the look is set again after each.
    for (const ButtonId id : {ButtonId::ReadOn, ButtonId::Repeat, ButtonId::SayAfter})
        connect(button(id), &QPushButton::clicked, this, &Widget::showHelps);
    connect(m_pageView, &bookface::readingOnChanged, this, &Widget::showHelps);
    connect(m_pageView, &bookface::sayAfterChanged, this, &Widget::showHelps);
    connect(m_pageView, &bookface::microphoneMissing, this, &Widget::tellNoMicrophone);
}

void Widget::showHelps()
{
    using Layout::ButtonId;
    button(ButtonId::ReadOn)->setDown(m_pageView->readingOn());
    button(ButtonId::Repeat)->setDown(m_pageView->repeats());
    button(ButtonId::SayAfter)->setDown(m_pageView->saysAfter());
}

void Widget::tellNoMicrophone()
{
    // Said once, without an alarm, and without stopping the child: the book goes on.
    auto *box = new QMessageBox(QMessageBox::Information, QStringLiteral("Mivora提示您:"),
                                QStringLiteral("没有找到麦克风，跟读先关上了。\n"
                                               "接好麦克风以后，再点一下“跟读”就可以跟着说啦。"),
                                QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("noMicrophone"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
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
    keepInsideScreen();
    // The scroll area still carries its full-screen fixed size, which the window layout's
    // setGeometry alone would not undo.
    m_pageArea->move(Layout::pageArea.topLeft());
    m_pageArea->setFixedSize(Layout::pageArea.size());
    // Above everything again, as the window was built.
    m_pageArea->raise();
    m_face->show();
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        if (Layout::buttons[i].anchor == Layout::Anchor::Hidden)
            m_buttons[i]->show();
    }
    installStyleSheet(windowStyleSheet);
    setWindowLayout();
    m_windowMode = true;
}

void Widget::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_screenWatch)
        return;
    connect(windowHandle(), &QWindow::screenChanged, this, &Widget::watchScreen);
    watchScreen(screen());
}

void Widget::watchScreen(QScreen *screen)
{
    disconnect(m_screenWatch);
    m_screenWatch =
        connect(screen, &QScreen::availableGeometryChanged, this, &Widget::keepInsideScreen);
    keepInsideScreen();
}

void Widget::keepInsideScreen()
{
    // A panel added, a resolution changed or another screen: the frameless window cannot be
    // dragged back by the user, so it moves itself. Full screen fills the screen anyway.
    if (m_windowMode)
        move(Layout::keptInside(frameGeometry(), screen()->availableGeometry()));
}

void Widget::setword()
{
    // The background label is the record of the mode: shown in book mode only.
    if (!m_face->isHidden()) {
        m_pageView->stopReading();
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
    m_pageView->loadSpreadAudio();
}

void Widget::setBookKeysEnabled(bool enabled)
{
    // The practice covers these buttons but not their keys: Left and Right would turn the
    // hidden book, and Ctrl+F would leave practice behind a book that thinks it is shown.
    using Layout::ButtonId;
    for (const ButtonId id : {ButtonId::Up, ButtonId::Next, ButtonId::Full})
        button(id)->setEnabled(enabled);
}

void Widget::setFullLayout()
{
    const QSize screen = desktop(*this).size();
    const Layout::FullScreen layout = Layout::fullScreen(screen);
    m_face->hide();
    // On a screen under about 1240 pixels wide the page area reaches the corner page buttons,
    // and on a low one the top of the bottom row: it goes beneath the buttons, of which the
    // first of the table is the lowest.
    m_pageArea->stackUnder(m_buttons.front());
    installStyleSheet(fullScreenStyleSheet);
    m_pageArea->setFixedSize(layout.pageArea.size());
    m_pageArea->move(layout.pageArea.topLeft());
    // The page view keeps its full size; on a low screen the scroll area scrolls it.
    m_pageView->resize(layout.pageView);
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        if (const auto place = Layout::fullScreenPlace(Layout::buttons[i], screen))
            m_buttons[i]->setGeometry(*place);
        else
            m_buttons[i]->hide();
    }
}

void Widget::setflash2(int b)
{
    button(Layout::ButtonId::Flash)->setVisible(b != 0);
    button(Layout::ButtonId::Flash2)->setVisible(b != 0 && b != 1);
}

void Widget::paintEvent(QPaintEvent *)
{
    const QRect panel = Layout::centredPanel(size());
    m_face->setGeometry(panel);
    m_wordView->setGeometry(panel);

    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (m_backdrop.size() != pixels || m_backdrop.devicePixelRatio() != ratio)
        m_backdrop = interfacePixmap(QStringLiteral(":/Image/full.jpg"), ratio, pixels);
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_backdrop);
}

void Widget::closeEvent(QCloseEvent *event)
{
    QMessageBox box;
    box.setIcon(QMessageBox::NoIcon);
    box.setIconPixmap(
        interfacePixmap(QStringLiteral(":/Image/qut_ico.png"), box.devicePixelRatioF()));
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
