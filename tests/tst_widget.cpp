#include "app/widget.h"

#include "app/application.h"
#include "book/bookface.h"
#include "content/content.h"
#include "content/layout.h"
#include "modal.h"
#include "scriptedplayer.h"
#include "scriptedrecorder.h"
#include "words/word.h"

#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

// The main window's direct children, bottom to top, by object name or class.
QStringList stacking(const QWidget &window)
{
    QStringList names;
    for (const QObject *child : window.children()) {
        if (!child->isWidgetType())
            continue;
        names << (child->objectName().isEmpty()
                      ? QString::fromLatin1(child->metaObject()->className())
                      : child->objectName());
    }
    return names;
}

} // namespace

class TestWidget : public QObject
{
    Q_OBJECT

private:
    QPushButton *button(const char *name, int which = 0) const
    {
        return m_window
            ->findChildren<QPushButton *>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly)
            .at(which);
    }
    bookface *pageView() const { return m_window->findChild<bookface *>(); }
    QScrollArea *pageArea() const { return m_window->findChild<QScrollArea *>(); }
    word *wordView() const { return m_window->findChild<word *>(); }
    QLabel *face() const { return m_window->findChild<QLabel *>(QStringLiteral("face")); }

    // Shows the window where it would start on the named screen of data/screens.json and
    // returns that screen's geometry.
    QRect showOn(const QString &name)
    {
        const QList<QScreen *> screens = QGuiApplication::screens();
        const auto on = std::find_if(screens.cbegin(), screens.cend(),
                                     [&name](const QScreen *s) { return s->name() == name; });
        const QRect desktop = (*on)->geometry();
        m_window->setScreen(*on);
        m_window->move(desktop.topLeft() + Layout::windowPosition(desktop.size()));
        m_window->show();
        return desktop;
    }

    static void eachScreen(const std::function<void(const QString &, const QByteArray &)> &add)
    {
        const QList<QScreen *> screens = QGuiApplication::screens();
        for (const QScreen *screen : screens)
            add(screen->name(), screen->name().toLatin1());
    }

    // The book's compiled-in lists, with audio from a directory of the test's own: the window
    // hands these to both views.
    static Content::Sources book() { return {.contentDir = QStringLiteral("/test/book")}; }

    ScriptedPlayers m_players;
    std::unique_ptr<Widget> m_window;

private slots:
    void init()
    {
        installStyleSheet(windowStyleSheet);
        m_players.made.clear();
        m_window = std::make_unique<Widget>(nullptr, m_players.factory(), book());
    }
    void cleanup() { m_window.reset(); }

    void window()
    {
        QCOMPARE(m_window->size(), QSize(1100, 723));
        QCOMPARE(m_window->windowFlags() & ~Qt::Window, Qt::FramelessWindowHint);
        // On what the primary screen leaves free of panels; on a screen too small for it,
        // with its top-left corner on that area.
        const QRect desktop = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(m_window->pos(), desktop.topLeft() + Layout::windowPosition(desktop.size()));
        QVERIFY(desktop.contains(m_window->pos()));
        for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            QCOMPARE(m_window->palette().color(group, QPalette::Window), QColor(0, 0, 0, 255));
        // The desktop names the window after the book.
        QCOMPARE(m_window->windowTitle(), Content::demoTitle);
    }

    void windowTakesTheBooksTitle_data()
    {
        QTest::addColumn<QString>("title");
        QTest::newRow("a title") << QStringLiteral("My Second Book");
        QTest::newRow("a Chinese title") << QStringLiteral("英语 三年级 上册");
        // Without one the desktop falls back to the program's name.
        QTest::newRow("none") << QString();
    }

    void windowTakesTheBooksTitle()
    {
        QFETCH(QString, title);
        Content::Sources titled = book();
        titled.title = title;
        ScriptedPlayers players;
        Widget window(nullptr, players.factory(), titled);
        QCOMPARE(window.windowTitle(), title);
        // The program's own captions keep theirs.
        SeenBox box;
        answerMessageBox(&box, QMessageBox::No);
        window.close();
        QVERIFY(box.shown);
        QCOMPARE(box.title, QStringLiteral("Mivora提示你:"));
    }

    // The program reopens at the spread and practice unit it was closed on, with the book it
    // was closed with; a window given no settings file keeps nothing.
    void reopensWhereTheChildLeftOff()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("place.conf"));
        ScriptedPlayers players;
        {
            Widget closed(nullptr, players.factory(), book(), showReadFailureBox, file);
            bookface *view = closed.findChild<bookface *>();
            view->openSpread(4);
            view->setBookNowNext();
            closed.findChild<word *>()->chooseUnit(2);
        }
        Widget reopened(nullptr, players.factory(), book(), showReadFailureBox, file);
        QCOMPARE(reopened.findChild<bookface *>()->currentSpread(), 5);
        QCOMPARE(reopened.findChild<QComboBox *>()->currentIndex(), 2);

        // Another book, told by its map, opens at its beginning.
        QTemporaryDir other;
        const QString otherMap = other.filePath(QStringLiteral("point.xml"));
        QFile demoMap(book().mapPath);
        QVERIFY(demoMap.open(QIODevice::ReadOnly));
        QFile edited(otherMap);
        QVERIFY(edited.open(QIODevice::WriteOnly));
        edited.write(demoMap.readAll() + "\n");
        edited.close();
        Content::Sources otherBook = book();
        otherBook.mapPath = otherMap;
        Widget another(nullptr, players.factory(), otherBook, showReadFailureBox, file);
        QCOMPARE(another.findChild<bookface *>()->currentSpread(), 1);
        QCOMPARE(another.findChild<QComboBox *>()->currentIndex(), 0);

        Widget keepsNothing(nullptr, players.factory(), book());
        QCOMPARE(keepsNothing.findChild<bookface *>()->currentSpread(), 1);
    }

    void childrenInStackingOrder()
    {
        // The page view moves into the scroll area; the word view lies above every button and
        // the scroll area above everything.
        QCOMPARE(
            stacking(*m_window),
            (QStringList{"face", "directory", "up", "next", "qut", "find", "jump", "full", "word",
                         "flash", "flash", "readon", "repeat", "sayafter", "word", "QScrollArea"}));
        QCOMPARE(pageArea()->widget(), pageView());
        QVERIFY(qobject_cast<word *>(
            m_window->children().at(m_window->children().indexOf(pageArea()) - 1)));
    }

    void buttonsAreImagesWithoutFocus()
    {
        const QList<QPushButton *> buttons =
            m_window->findChildren<QPushButton *>(Qt::FindDirectChildrenOnly);
        QCOMPARE(buttons.size(), 13);
        for (const QPushButton *b : buttons) {
            QCOMPARE(b->focusPolicy(), Qt::NoFocus);
            QVERIFY(b->text().isEmpty());
        }
        QCOMPARE(button("up")->shortcut(), QKeySequence(Qt::Key_Left));
        QCOMPARE(button("next")->shortcut(), QKeySequence(Qt::Key_Right));
        QCOMPARE(button("full")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
        const auto shortcuts = m_window->findChildren<QShortcut *>();
        QCOMPARE(shortcuts.size(), 1);
        QCOMPARE(shortcuts[0]->key(), QKeySequence(Qt::CTRL | Qt::Key_Q));
        QCOMPARE(shortcuts[0]->context(), Qt::WindowShortcut);
    }

    void windowLayout_data()
    {
        QTest::addColumn<QString>("child");
        QTest::addColumn<int>("which");
        QTest::addColumn<QRect>("geometry");

        QTest::newRow("page scroll area") << "area" << 0 << QRect(130, 95, 912, 582);
        QTest::newRow("page view") << "page" << 0 << QRect(130, 95, 910, 580);
        QTest::newRow("word view") << "wordview" << 0 << QRect(0, 0, 1100, 723);
        QTest::newRow("background label") << "face" << 0 << QRect(0, 0, 1100, 723);
        // The buttons stand where the button table says (its numbers are checked with it).
        QHash<QString, int> seen;
        for (const Layout::ButtonPlace &place : Layout::buttons) {
            const QString name = place.objectName.toString();
            const int which = seen[name]++;
            QTest::addRow("%s %d", qPrintable(name), which) << name << which << place.window;
        }
    }

    void windowLayout()
    {
        QFETCH(QString, child);
        QFETCH(int, which);
        QFETCH(QRect, geometry);

        QWidget *w = nullptr;
        if (child == u"area")
            w = pageArea();
        else if (child == u"page")
            w = pageView();
        else if (child == u"wordview")
            w = wordView();
        else if (child == u"face")
            w = face();
        else
            w = button(qPrintable(child), which);
        QCOMPARE(w->geometry(), geometry);
    }

    void startsInBookMode()
    {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QVERIFY(face()->isVisible());
        QVERIFY(pageArea()->isVisible());
        QVERIFY(!wordView()->isVisible());
        // The demo book opens on a spread without animations.
        QVERIFY(!button("flash", 0)->isVisible());
        QVERIFY(!button("flash", 1)->isVisible());
    }

    // The opening spread's animations are reported before the window is connected to the
    // page view; the buttons still start as that spread has them.
    void animationButtonsStartAsTheOpeningSpreadHasThem_data()
    {
        QTest::addColumn<int>("flash");
        QTest::addColumn<bool>("first");
        QTest::addColumn<bool>("second");
        QTest::newRow("none") << 0 << false << false;
        QTest::newRow("one") << 1 << true << false;
        QTest::newRow("two") << 2 << true << true;
    }

    void animationButtonsStartAsTheOpeningSpreadHasThem()
    {
        QFETCH(int, flash);
        QFETCH(bool, first);
        QFETCH(bool, second);
        QTemporaryDir dir;
        const QString map = dir.filePath(QStringLiteral("point.xml"));
        QFile file(map);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral(R"(<Book><P2-3><NO m="0" FLASH="%1"/></P2-3></Book>)")
                       .arg(flash)
                       .toUtf8());
        file.close();
        Content::Sources opening = book();
        opening.mapPath = map;
        ScriptedPlayers players;
        Widget window(nullptr, players.factory(), opening);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const auto buttons =
            window.findChildren<QPushButton *>(QStringLiteral("flash"), Qt::FindDirectChildrenOnly);
        QCOMPARE(buttons[0]->isVisible(), first);
        QCOMPARE(buttons[1]->isVisible(), second);
    }

    void animationButtons_data()
    {
        QTest::addColumn<int>("flash");
        QTest::addColumn<bool>("first");
        QTest::addColumn<bool>("second");
        QTest::newRow("0") << 0 << false << false;
        QTest::newRow("1") << 1 << true << false;
        QTest::newRow("2") << 2 << true << true;
        QTest::newRow("3") << 3 << true << true;
        QTest::newRow("-1") << -1 << true << true;
    }

    void animationButtons()
    {
        QFETCH(int, flash);
        QFETCH(bool, first);
        QFETCH(bool, second);
        m_window->show();
        m_window->setflash2(flash);
        QCOMPARE(button("flash", 0)->isVisible(), first);
        QCOMPARE(button("flash", 1)->isVisible(), second);
    }

    void buttonsReachThePageView()
    {
        button("next")->click();
        QCOMPARE(pageView()->currentSpread(), 2);
        button("directory")->click();
        QCOMPARE(pageView()->currentSpread(), 0);
        button("next")->click();
        button("next")->click();
        button("up")->click();
        QCOMPARE(pageView()->currentSpread(), 1);
        button("find")->click();
        QVERIFY(pageView()->gameMode());

        // The page view's report reaches the animation buttons: the compiled-in spreads have
        // no animations.
        m_window->show();
        button("next")->click();
        QVERIFY(!button("flash", 0)->isVisible());

        whenModalShows([](QWidget *dialog) { dialog->close(); });
        button("jump")->click();
        QVERIFY(!pageView()->gameMode());
    }

    // The reading helps' buttons: read on runs through full screen and back and stops for
    // the practice; the toggles show pressed in while they are on.
    void readingHelpButtons()
    {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        button("readon")->click();
        QVERIFY(pageView()->readingOn());
        QVERIFY(button("readon")->isDown());
        button("full")->click();
        QVERIFY(pageView()->readingOn());
        button("full")->click();
        QVERIFY(pageView()->readingOn());
        QVERIFY(button("readon")->isDown());
        button("word")->click();
        QVERIFY(!pageView()->readingOn());
        QVERIFY(!button("readon")->isDown());
        m_window->setword();

        button("repeat")->click();
        QVERIFY(pageView()->repeats());
        QVERIFY(button("repeat")->isDown());
        button("repeat")->click();
        QVERIFY(!pageView()->repeats());
        QVERIFY(!button("repeat")->isDown());
    }

    // Without a microphone the child is told once, in a box that waits for nobody, and the
    // toggle comes up.
    void noMicrophoneIsToldGently()
    {
        ScriptedRecorders recorders;
        const qsizetype before = m_players.made.size();
        Widget window(nullptr, m_players.factory(), book(), showReadFailureBox, {}, {},
                      recorders.factory());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *sayAfter = window.findChild<QPushButton *>(QStringLiteral("sayafter"));
        sayAfter->click();
        QVERIFY(sayAfter->isDown());
        auto *view = window.findChild<bookface *>();
        QVERIFY(!view->spreadMap().hotspots().isEmpty());
        const QPoint sentence = view->spreadMap().hotspots().first().rect.center();
        QTest::mouseMove(view, sentence);
        QTest::mouseClick(view, Qt::LeftButton, {}, sentence);
        ScriptedPlayer *reading = m_players.made.at(before + 1);
        QVERIFY(reading->calls.last().startsWith(u"playSegment"));
        reading->playToEnd();
        QCOMPARE(recorders.made.size(), 1);
        recorders.made[0]->findNoMicrophone();

        QVERIFY(!sayAfter->isDown());
        const auto boxes = window.findChildren<QMessageBox *>(QStringLiteral("noMicrophone"));
        QCOMPARE(boxes.size(), 1);
        QVERIFY(boxes[0]->isVisible());
        QVERIFY(!boxes[0]->isModal());
        QVERIFY(boxes[0]->text().contains(QStringLiteral("麦克风")));
        QVERIFY(!QApplication::activeModalWidget());
    }

    void arrowKeysTurnPages()
    {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        // A button's shortcut shows the press and clicks a moment later.
        QTest::keyClick(m_window.get(), Qt::Key_Right);
        QTRY_COMPARE(pageView()->currentSpread(), 2);
        QTest::keyClick(m_window.get(), Qt::Key_Right);
        QTRY_COMPARE(pageView()->currentSpread(), 3);
        QTest::keyClick(m_window.get(), Qt::Key_Left);
        QTRY_COMPARE(pageView()->currentSpread(), 2);
    }

    // The pointer rests on a sentence while a key turns the page: the tip is the new spread's
    // at once, with the hand over it.
    void tipFollowsAKeyPageTurn()
    {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        // On the heading of the first spread and of the second.
        const QPoint at(150, 60);
        QVERIFY(pageView()->spreadMap().hotspots().at(0).rect.contains(at));
        QTest::mouseMove(pageView(), QPoint(905, 575));
        QTest::mouseMove(pageView(), at);
        QTest::keyClick(m_window.get(), Qt::Key_Right);
        QTRY_COMPARE(pageView()->currentSpread(), 2);
        const QList<Hotspot> &next = pageView()->spreadMap().hotspots();
        const auto under = std::find_if(next.begin(), next.end(),
                                        [&](const Hotspot &h) { return h.rect.contains(at); });
        QVERIFY(under != next.end());
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), under->text);
        QCOMPARE(pageView()->cursor().shape(), Qt::PointingHandCursor);
    }

    // Where every child is, whether it shows, and the application's style sheet.
    QStringList snapshot() const
    {
        QStringList state{QString::fromLatin1("window %1 %2")
                              .arg(m_window->isFullScreen())
                              .arg(QVariant(m_window->geometry()).toString())};
        for (const QObject *child : m_window->children()) {
            if (const auto *w = qobject_cast<const QWidget *>(child)) {
                QRect g = w->geometry();
                state << QStringLiteral("%1 %2,%3 %4x%5 %6")
                             .arg(w->objectName(), QString::number(g.x()), QString::number(g.y()),
                                  QString::number(g.width()), QString::number(g.height()),
                                  QString::number(w->isVisible()));
            }
        }
        state << QStringLiteral("page %1x%2").arg(pageView()->width()).arg(pageView()->height());
        state << qApp->styleSheet();
        return state;
    }

    static QString sheet(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    void fullScreenAndBack_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<int>("flash");
        eachScreen([](const QString &screen, const QByteArray &name) {
            QTest::addRow("%s, no animation", name.data()) << screen << 0;
            QTest::addRow("%s, one animation", name.data()) << screen << 1;
            QTest::addRow("%s, two animations", name.data()) << screen << 2;
        });
    }

    void fullScreenAndBack()
    {
        QFETCH(QString, screen);
        QFETCH(int, flash);
        const QRect desktop = showOn(screen);
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_window->setflash2(flash);
        const QStringList windowed = snapshot();

        button("full")->click();
        QVERIFY(m_window->isFullScreen());
        QTRY_COMPARE(m_window->geometry(), desktop);
        const Layout::FullScreen layout = Layout::fullScreen(desktop.size());
        QCOMPARE(pageArea()->geometry(), layout.pageArea);
        QCOMPARE(pageArea()->minimumSize(), layout.pageArea.size());
        QCOMPARE(pageArea()->maximumSize(), layout.pageArea.size());
        QCOMPARE(pageView()->size(), QSize(1139, 726));
        // Buttons of one name stand in table order.
        QHash<QString, int> seen;
        for (const Layout::ButtonPlace &place : Layout::buttons) {
            const QString name = place.objectName.toString();
            QPushButton *b = button(qPrintable(name), seen[name]++);
            if (const auto geometry = Layout::fullScreenPlace(place, desktop.size()))
                QCOMPARE(b->geometry(), *geometry);
        }
        QVERIFY(!face()->isVisible());
        QVERIFY(!button("qut")->isVisible());
        QVERIFY(!button("word")->isVisible());
        QVERIFY(!wordView()->isVisible());
        QCOMPARE(button("flash", 0)->isVisible(), flash != 0);
        QCOMPARE(button("flash", 1)->isVisible(), flash != 0 && flash != 1);
        QCOMPARE(qApp->styleSheet(), sheet(fullScreenStyleSheet));
        // The paint keeps the hidden panels centred in the screen-sized window.
        m_window->grab();
        QCOMPARE(face()->geometry(), Layout::centredPanel(m_window->size()));

        // No button lies under the page area, however far the page reaches on this screen.
        const QList<QPushButton *> buttons =
            m_window->findChildren<QPushButton *>(Qt::FindDirectChildrenOnly);
        for (QPushButton *b : buttons)
            if (b->isVisible())
                QCOMPARE(m_window->childAt(b->geometry().center()), b);

        button("full")->click();
        QVERIFY(!m_window->isFullScreen());
        // The panels are centred again by the paint that follows the window's return.
        QTRY_COMPARE(snapshot(), windowed);
        QCOMPARE(qApp->styleSheet(), sheet(windowStyleSheet));
    }

    void pageButtonsClickInFullScreen_data()
    {
        QTest::addColumn<QString>("screen");
        eachScreen([](const QString &screen, const QByteArray &name) {
            QTest::addRow("%s", name.data()) << screen;
        });
    }

    void pageButtonsClickInFullScreen()
    {
        QFETCH(QString, screen);
        const QRect desktop = showOn(screen);
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        button("full")->click();
        QTRY_COMPARE(m_window->geometry(), desktop);

        // A click where the button shows reaches it, not the page under it.
        QTest::mouseClick(m_window->windowHandle(), Qt::LeftButton, {},
                          button("next")->geometry().center());
        QCOMPARE(pageView()->currentSpread(), 2);
        QTest::mouseClick(m_window->windowHandle(), Qt::LeftButton, {},
                          button("up")->geometry().center());
        QCOMPARE(pageView()->currentSpread(), 1);
    }

    void bookAndPractice_data()
    {
        QTest::addColumn<int>("spread");
        QTest::addColumn<bool>("game");
        QTest::addColumn<QString>("way"); // how practice is left
        QTest::addColumn<bool>("reload");

        QTest::newRow("reading spread, back button") << 2 << false << "back" << true;
        QTest::newRow("reading spread, end of a pass") << 3 << false << "qutword" << true;
        QTest::newRow("reading spread, word button") << 1 << false << "word" << true;
        QTest::newRow("contents spread") << 0 << false << "back" << false;
        QTest::newRow("game running") << 1 << true << "back" << false;
    }

    void bookAndPractice()
    {
        QFETCH(int, spread);
        QFETCH(bool, game);
        QFETCH(QString, way);
        QFETCH(bool, reload);

        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        button("directory")->click();
        for (int k = 0; k < spread; ++k)
            button("next")->click();
        if (game)
            button("find")->click();
        ScriptedPlayer *gamePlayer = m_players.made.at(0);
        ScriptedPlayer *reading = m_players.made.at(1);
        ScriptedPlayer *wordPlayer = m_players.made.at(2);
        ScriptedPlayer *rightPlayer = m_players.made.at(3);
        reading->playing = true;
        const QString source = reading->source;
        reading->calls.clear();

        button("word")->click();
        QVERIFY(!face()->isVisible());
        QVERIFY(!pageArea()->isVisible());
        QVERIFY(wordView()->isVisible());
        // Stopped, not cleared: the book keeps its audio and its game.
        QCOMPARE(reading->calls, QStringList{"stop"});
        QCOMPARE(reading->source, source);
        QCOMPARE(gamePlayer->calls.contains(QStringLiteral("stop")), game);
        QCOMPARE(pageView()->gameMode(), game);
        QCOMPARE(wordPlayer->source, Content::spreadAudio(book().contentDir, 36));

        wordPlayer->playing = true;
        rightPlayer->playing = true;
        reading->calls.clear();
        if (way == u"back")
            wordView()->backButton()->click();
        else if (way == u"qutword")
            emit wordView()->qutword();
        else
            m_window->setword();

        QVERIFY(face()->isVisible());
        QVERIFY(pageArea()->isVisible());
        QVERIFY(!wordView()->isVisible());
        QVERIFY(!wordPlayer->playing);
        QVERIFY(!rightPlayer->playing);
        QCOMPARE(pageView()->currentSpread(), spread);
        QCOMPARE(pageView()->gameMode(), game);
        QCOMPARE(reading->calls,
                 reload
                     ? QStringList{"setSource " + Content::spreadAudio(book().contentDir, spread)}
                     : QStringList{});
    }

    void unreadableBookShowsTheCriticalBox_data()
    {
        QTest::addColumn<QString>("missing");
        QTest::newRow("hotspot map") << "map";
        QTest::newRow("word list") << "words";
    }

    void unreadableBookShowsTheCriticalBox()
    {
        // The readers have no box of their own: the window hands its box to both views.
        QFETCH(QString, missing);
        Content::Sources sources = book();
        (missing == u"map" ? sources.mapPath : sources.wordListPath) =
            QStringLiteral("/test/book/missing.xml");

        SeenBox seen;
        answerMessageBox(&seen, QMessageBox::Yes);
        ScriptedPlayers players;
        const Widget window(nullptr, players.factory(), sources);
        QVERIFY(seen.shown);
        QCOMPARE(seen.title, QStringLiteral("err"));
        QCOMPARE(seen.text, QStringLiteral("open file err"));
        QCOMPARE(seen.icon, QMessageBox::Critical);
        QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Yes));
        QVERIFY(!seen.hasDefault);
        QCOMPARE(seen.parent, nullptr);
    }

    void bookKeysRestInPractice_data()
    {
        QTest::addColumn<QList<QKeySequence>>("keys");
        QTest::addColumn<bool>("typing"); // the pass has started and the answer field has focus

        const QKeySequence left(Qt::Key_Left), right(Qt::Key_Right), full(Qt::CTRL | Qt::Key_F);
        for (const bool typing : {false, true}) {
            const char *when = typing ? "while typing" : "before the start";
            QTest::addRow("Left, %s", when) << QList{left} << typing;
            QTest::addRow("Right, %s", when) << QList{right} << typing;
            QTest::addRow("Ctrl+F, %s", when) << QList{full} << typing;
            QTest::addRow("Ctrl+F twice, %s", when) << QList{full, full} << typing;
            QTest::addRow("all of them, %s", when) << QList{right, left, full, left} << typing;
        }
    }

    void bookKeysRestInPractice()
    {
        QFETCH(QList<QKeySequence>, keys);
        QFETCH(bool, typing);

        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        button("next")->click();
        button("word")->click();
        // A button's key shows its press at once and clicks a moment later, so no press means
        // no click.
        QSignalSpy upPressed(button("up"), &QPushButton::pressed);
        QSignalSpy nextPressed(button("next"), &QPushButton::pressed);
        QSignalSpy fullPressed(button("full"), &QPushButton::pressed);

        auto *answer = wordView()->findChild<QLineEdit *>();
        QLineEdit plain; // how the same keys act on a line edit of its own
        if (typing) {
            wordView()->setstart();
            answer->setFocus();
            QTest::keyClicks(answer, QStringLiteral("cat"));
            plain.setText(answer->text());
        }
        const auto focused = [this] {
            QWidget *w = QApplication::focusWidget();
            return w ? w : m_window.get();
        };
        for (const QKeySequence &key : keys) {
            QTest::keySequence(focused(), key);
            QTest::keySequence(&plain, key);
        }
        QTest::keyClicks(focused(), QStringLiteral("s"));
        QTest::keyClicks(&plain, QStringLiteral("s"));

        QCOMPARE(upPressed.size() + nextPressed.size() + fullPressed.size(), 0);
        QCOMPARE(pageView()->currentSpread(), 2);
        QVERIFY(!m_window->isFullScreen());
        QVERIFY(wordView()->isVisible());
        QVERIFY(!face()->isVisible());
        QVERIFY(!pageArea()->isVisible());
        if (typing) {
            QCOMPARE(answer->text(), plain.text());
            QCOMPARE(answer->cursorPosition(), plain.cursorPosition());
        }

        // Back in the book, the same spread, and the keys turn its pages again.
        wordView()->backButton()->click();
        QVERIFY(face()->isVisible());
        QCOMPARE(pageView()->currentSpread(), 2);
        QTest::keyClick(m_window.get(), Qt::Key_Right);
        QTRY_COMPARE(pageView()->currentSpread(), 3);
    }

    void closeConfirmation_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<bool>("yes");
        QTest::newRow("quit button, no") << "button" << false;
        QTest::newRow("quit button, yes") << "button" << true;
        QTest::newRow("ctrl+q, no") << "ctrl+q" << false;
        QTest::newRow("ctrl+q, yes") << "ctrl+q" << true;
        QTest::newRow("window system, no") << "close" << false;
        QTest::newRow("window system, yes") << "close" << true;
    }

    void closeConfirmation()
    {
        QFETCH(QString, way);
        QFETCH(bool, yes);

        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        button("next")->click();
        ScriptedPlayer *reading = m_players.made.at(1);
        reading->playing = true;

        SeenBox seen;
        answerMessageBox(&seen, yes ? QMessageBox::Yes : QMessageBox::No);
        if (way == u"button")
            button("qut")->click();
        else if (way == u"ctrl+q")
            QTest::keyClick(m_window.get(), Qt::Key_Q, Qt::ControlModifier);
        else
            m_window->close();

        QTRY_VERIFY(seen.shown);
        QCOMPARE(seen.title, QStringLiteral("Mivora提示你:"));
        QCOMPARE(seen.text, QStringLiteral("<h1>您确定要退出吗?</h1>"));
        QCOMPARE(seen.format, Qt::RichText);
        QCOMPARE(seen.icon, QMessageBox::NoIcon);
        QVERIFY(seen.hasIconPixmap);
        QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No);
        QVERIFY(!seen.hasDefault);
        QVERIFY(seen.flags.testFlag(Qt::MSWindowsFixedSizeDialogHint));
        QVERIFY(seen.flags.testFlag(Qt::Dialog));

        QCOMPARE(m_window->isVisible(), !yes);
        if (!yes) {
            QCOMPARE(pageView()->currentSpread(), 2);
            QVERIFY(reading->playing);
            QVERIFY(face()->isVisible());
        }
    }
};

QTEST_MAIN(TestWidget)
#include "tst_widget.moc"
