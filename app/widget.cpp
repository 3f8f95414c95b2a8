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
               const ReadFailureReport &report, const QString &placeFile)
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

    createChildren(makePlayer, book, report);
    setWindowLayout();
    nameChildren();
    connectChildren();
    // The page view reported the opening spread's animations before it was connected: the
    // buttons start as that spread has them, not with a first button that plays nothing.
    setflash2(m_pageView->spreadMap().flash());

    // The program reopens where the child left off in this book.
    if (!placeFile.isEmpty()) {
        m_place = std::make_unique<LastPlace>(LastPlace::bookIdentity(book.mapPath), placeFile);
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
                            const ReadFailureReport &report)
{
    // Creation order is stacking order: the word view lies above every button so that it
    // covers them in word mode, and the page area lies above everything else.
    m_face = new QLabel(this);
    m_pageView = new bookface(this, makePlayer, book, &QTime::currentTime, report);
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
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        if (Layout::buttons[i].anchor == Layout::Anchor::Hidden)
            m_buttons[i]->show();
    }
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
