#include "app/widget.h"

#include "app/layout.h"
#include "book/bookface.h"
#include "words/word.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>

namespace {

QSize desktopSize()
{
    return QGuiApplication::primaryScreen()->geometry().size();
}

} // namespace

Widget::Widget(QWidget *parent, const AudioPlayerFactory &makePlayer)
    : QWidget(parent)
{
    resize(Layout::windowSize);
    setWindowFlags(Qt::FramelessWindowHint);
    move(Layout::windowPosition(desktopSize()));
    QPalette black = palette();
    black.setBrush(QPalette::All, QPalette::Window, QBrush(QColor(0, 0, 0, 255)));
    setPalette(black);

    createChildren(makePlayer);
    setWindowLayout();
    nameChildren();
    connectChildren();
}

void Widget::createChildren(const AudioPlayerFactory &makePlayer)
{
    // Creation order is stacking order: the word view lies above every button so that it
    // covers them in word mode, and the page area lies above everything else.
    face = new QLabel(this);
    pageView = new bookface(this, makePlayer);
    directoryButton = new QPushButton(this);
    upButton = new QPushButton(this);
    upButton->setShortcut(QKeySequence(Qt::Key_Left));
    nextButton = new QPushButton(this);
    nextButton->setShortcut(QKeySequence(Qt::Key_Right));
    qutButton = new QPushButton(this);
    findButton = new QPushButton(this);
    jumpButton = new QPushButton(this);
    fullButton = new QPushButton(this);
    fullButton->setShortcut(QKeySequence(tr("ctrl+f")));
    wordButton = new QPushButton(this);
    flashButton = new QPushButton(this);
    flash2Button = new QPushButton(this);
    wordView = new word(this, makePlayer);
    pageArea = new QScrollArea(this);

    pageArea->show();
    pageArea->setWidget(pageView);
    wordView->hide();
    flash2Button->hide();

    auto *quit = new QShortcut(QKeySequence(tr("ctrl+q")), this);
    quit->setContext(Qt::WindowShortcut);
    connect(quit, &QShortcut::activated, this, &Widget::close);

    for (QPushButton *button : {qutButton, nextButton, upButton, directoryButton, findButton,
                                jumpButton, fullButton, wordButton, flashButton, flash2Button})
        button->setFocusPolicy(Qt::NoFocus);
}

void Widget::setWindowLayout()
{
    pageArea->setGeometry(Layout::pageArea);
    wordView->setGeometry(Layout::centredPanel(size()));
    face->setGeometry(Layout::face);
    pageView->setGeometry(Layout::pageView);
    directoryButton->setGeometry(Layout::directoryButton);
    qutButton->setGeometry(Layout::qutButton);
    nextButton->setGeometry(Layout::nextButton);
    upButton->setGeometry(Layout::upButton);
    findButton->setGeometry(Layout::findButton);
    jumpButton->setGeometry(Layout::jumpButton);
    fullButton->setGeometry(Layout::fullButton);
    wordButton->setGeometry(Layout::wordButton);
    flashButton->setGeometry(Layout::flashButton);
    flash2Button->setGeometry(Layout::flash2Button);
}

void Widget::nameChildren()
{
    face->setObjectName(QStringLiteral("face"));
    directoryButton->setObjectName(QStringLiteral("directory"));
    qutButton->setObjectName(QStringLiteral("qut"));
    nextButton->setObjectName(QStringLiteral("next"));
    upButton->setObjectName(QStringLiteral("up"));
    findButton->setObjectName(QStringLiteral("find"));
    jumpButton->setObjectName(QStringLiteral("jump"));
    fullButton->setObjectName(QStringLiteral("full"));
    wordButton->setObjectName(QStringLiteral("word"));
    flashButton->setObjectName(QStringLiteral("flash"));
    flash2Button->setObjectName(QStringLiteral("flash"));
    flash2Button->hide();
}

void Widget::connectChildren()
{
    connect(qutButton, &QPushButton::clicked, this, &Widget::close);
}

void Widget::paintEvent(QPaintEvent *)
{
    const QRect panel = Layout::centredPanel(size());
    face->setGeometry(panel);
    wordView->setGeometry(panel);

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
