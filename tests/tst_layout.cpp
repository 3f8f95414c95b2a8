#include "content/layout.h"

#include <QTest>

Q_DECLARE_METATYPE(Layout::ButtonId)

class TestLayout : public QObject
{
    Q_OBJECT

private slots:
    void windowPosition_data()
    {
        QTest::addColumn<QSize>("desktop");
        QTest::addColumn<QPoint>("position");

        QTest::newRow("1280 x 1024") << QSize(1280, 1024) << QPoint(90, 140);
        QTest::newRow("1920 x 1080") << QSize(1920, 1080) << QPoint(410, 168);
        QTest::newRow("1366 x 768") << QSize(1366, 768) << QPoint(133, 12);
        QTest::newRow("odd sizes truncate") << QSize(1367, 769) << QPoint(133, 13);
        QTest::newRow("743 high: 10 pixels above the centre is the desktop's top")
            << QSize(1280, 743) << QPoint(90, 0);
        QTest::newRow("742 high: one pixel more would leave the desktop")
            << QSize(1280, 742) << QPoint(90, 0);
        QTest::newRow("the window's own size: on the desktop, not 10 pixels above it")
            << QSize(1100, 723) << QPoint(0, 0);
        QTest::newRow("1280 x 720: the top edge on the desktop")
            << QSize(1280, 720) << QPoint(90, 0);
        QTest::newRow("1024 x 768: the left edge on the desktop")
            << QSize(1024, 768) << QPoint(0, 12);
        QTest::newRow("800 x 600: the top-left corner on the desktop")
            << QSize(800, 600) << QPoint(0, 0);
        QTest::newRow("one pixel narrower and lower") << QSize(1099, 722) << QPoint(0, 0);
    }

    void windowPosition()
    {
        QFETCH(QSize, desktop);
        QFETCH(QPoint, position);
        QCOMPARE(Layout::windowPosition(desktop), position);
    }

    void keptInside_data()
    {
        QTest::addColumn<QRect>("window");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QPoint>("position");

        const QSize size = Layout::windowSize;
        // 1920 x 1080 and 1366 x 768, each with a 32 px top panel and a 40 px task bar.
        const QRect panels(0, 32, 1920, 1008);
        const QRect lowPanels(0, 32, 1366, 696);
        QTest::newRow("inside already: stays")
            << QRect({133, 40}, size) << panels << QPoint(133, 40);
        QTest::newRow("under the top panel: down to it")
            << QRect({133, 12}, size) << panels << QPoint(133, 32);
        QTest::newRow("past the right edge: back in")
            << QRect({900, 40}, size) << panels << QPoint(820, 40);
        QTest::newRow("too high for the free area: top on it, bottom under the task bar")
            << QRect({133, 300}, size) << lowPanels << QPoint(133, 32);
        QTest::newRow("left of a second screen's free area")
            << QRect({1500, 200}, size) << QRect(1920, 0, 1920, 1040) << QPoint(1920, 200);
        QTest::newRow("below the task bar on 1920 x 1080")
            << QRect({410, 340}, size) << QRect(0, 0, 1920, 1040) << QPoint(410, 317);
        QTest::newRow("a desktop narrower than the window: left edge on it")
            << QRect({-50, 10}, size) << QRect(0, 0, 1024, 768) << QPoint(0, 10);
    }

    void keptInside()
    {
        QFETCH(QRect, window);
        QFETCH(QRect, available);
        QFETCH(QPoint, position);
        QCOMPARE(Layout::keptInside(window, available), position);
    }

    void centredPanel()
    {
        QCOMPARE(Layout::centredPanel(QSize(1100, 723)), QRect(0, 0, 1100, 723));
        QCOMPARE(Layout::centredPanel(QSize(1920, 1080)), QRect(410, 178, 1100, 723));
        QCOMPARE(Layout::centredPanel(QSize(1024, 768)), QRect(-38, 22, 1100, 723));
    }

    void fullScreen_data()
    {
        QTest::addColumn<QSize>("desktop");
        QTest::addColumn<QRect>("pageArea");
        QTest::addColumn<QRect>("next");
        QTest::addColumn<QRect>("up");
        QTest::addColumn<int>("row");
        QTest::addColumn<QList<int>>("rowX"); // full, directory, jump, find, flash, flash2

        QTest::newRow("1024 x 768: page scrolls")
            << QSize(1024, 768) << QRect(26, 50, 971, 620) << QRect(924, 50, 64, 30)
            << QRect(50, 50, 64, 30) << 668 << QList<int>{278, 378, 478, 576, 676, 776};
        QTest::newRow("1920 x 1080: whole page")
            << QSize(1920, 1080) << QRect(389, 50, 1141, 728) << QRect(1820, 50, 64, 30)
            << QRect(50, 50, 64, 30) << 980 << QList<int>{726, 826, 926, 1024, 1124, 1224};
        QTest::newRow("876 high: the first height with the whole page")
            << QSize(1280, 876) << QRect(69, 50, 1141, 728) << QRect(1180, 50, 64, 30)
            << QRect(50, 50, 64, 30) << 776 << QList<int>{406, 506, 606, 704, 804, 904};
        QTest::newRow("875 high: one row short")
            << QSize(1280, 875) << QRect(70, 50, 1139, 727) << QRect(1180, 50, 64, 30)
            << QRect(50, 50, 64, 30) << 775 << QList<int>{406, 506, 606, 704, 804, 904};
    }

    void fullScreen()
    {
        QFETCH(QSize, desktop);
        QFETCH(QRect, pageArea);
        QFETCH(QRect, next);
        QFETCH(QRect, up);
        QFETCH(int, row);
        QFETCH(QList<int>, rowX);

        const Layout::FullScreen layout = Layout::fullScreen(desktop);
        QCOMPARE(layout.pageArea, pageArea);
        QCOMPARE(layout.pageView, QSize(1139, 726));
        // An empty rectangle for a button hidden in full-screen mode.
        const auto place = [desktop](Layout::ButtonId id) {
            return Layout::fullScreenPlace(Layout::button(id), desktop).value_or(QRect());
        };
        QCOMPARE(place(Layout::ButtonId::Next), next);
        QCOMPARE(place(Layout::ButtonId::Up), up);
        const QList<Layout::ButtonId> rowButtons{
            Layout::ButtonId::Full, Layout::ButtonId::Directory, Layout::ButtonId::Jump,
            Layout::ButtonId::Find, Layout::ButtonId::Flash,     Layout::ButtonId::Flash2};
        for (qsizetype i = 0; i < rowButtons.size(); ++i)
            QCOMPARE(place(rowButtons[i]), QRect(rowX[i], row, 68, 45));
        QVERIFY(!Layout::fullScreenPlace(Layout::button(Layout::ButtonId::Qut), desktop));
        QVERIFY(!Layout::fullScreenPlace(Layout::button(Layout::ButtonId::Word), desktop));
    }

    void buttons_data()
    {
        QTest::addColumn<Layout::ButtonId>("id");
        QTest::addColumn<QString>("objectName");
        QTest::addColumn<QRect>("window");

        QTest::newRow("contents") << Layout::ButtonId::Directory << "directory"
                                  << QRect(23, 426, 60, 28);
        QTest::newRow("quit") << Layout::ButtonId::Qut << "qut" << QRect(8, 573, 64, 33);
        QTest::newRow("next page") << Layout::ButtonId::Next << "next" << QRect(9, 524, 89, 32);
        QTest::newRow("previous page") << Layout::ButtonId::Up << "up" << QRect(6, 470, 78, 31);
        QTest::newRow("find it, a pixel higher")
            << Layout::ButtonId::Find << "find" << QRect(635, 676, 90, 36);
        QTest::newRow("jump") << Layout::ButtonId::Jump << "jump" << QRect(488, 677, 90, 36);
        QTest::newRow("full screen") << Layout::ButtonId::Full << "full" << QRect(220, 677, 90, 36);
        QTest::newRow("word practice")
            << Layout::ButtonId::Word << "word" << QRect(350, 677, 90, 36);
        QTest::newRow("first animation")
            << Layout::ButtonId::Flash << "flash" << QRect(770, 677, 90, 36);
        QTest::newRow("second animation")
            << Layout::ButtonId::Flash2 << "flash" << QRect(900, 677, 90, 36);
        QTest::newRow("read on") << Layout::ButtonId::ReadOn << "readon" << QRect(650, 48, 90, 36);
        QTest::newRow("repeat") << Layout::ButtonId::Repeat << "repeat" << QRect(750, 48, 90, 36);
        QTest::newRow("say it after me")
            << Layout::ButtonId::SayAfter << "sayafter" << QRect(850, 48, 90, 36);
    }

    // The reading helps cover neither the page nor another button, in the window and in
    // full-screen mode on every desktop from 1024 x 768 up, and stay on the desktop.
    void readingHelpsCoverNothing_data()
    {
        QTest::addColumn<QSize>("desktop");
        QTest::newRow("window") << QSize();
        for (const QSize desktop :
             {QSize(1024, 768), QSize(1280, 800), QSize(1280, 1024), QSize(1366, 768),
              QSize(1920, 1080), QSize(1600, 900), QSize(2560, 1440), QSize(1024, 1366)})
            QTest::addRow("%d x %d", desktop.width(), desktop.height()) << desktop;
    }

    void readingHelpsCoverNothing()
    {
        QFETCH(QSize, desktop);
        const bool window = desktop.isEmpty();
        const auto place = [&](const Layout::ButtonPlace &button) {
            return window ? std::optional<QRect>(button.window)
                          : Layout::fullScreenPlace(button, desktop);
        };
        const QRect page = window ? Layout::pageArea : Layout::fullScreen(desktop).pageArea;
        const QRect screen =
            window ? QRect(QPoint(0, 0), Layout::windowSize) : QRect(QPoint(0, 0), desktop);
        for (const Layout::ButtonId help :
             {Layout::ButtonId::ReadOn, Layout::ButtonId::Repeat, Layout::ButtonId::SayAfter}) {
            const auto rect = place(Layout::button(help));
            QVERIFY(rect);
            QVERIFY(screen.contains(*rect));
            QVERIFY(!rect->intersects(page));
            for (const Layout::ButtonPlace &other : Layout::buttons) {
                const auto otherRect = place(other);
                if (&other != &Layout::button(help) && otherRect)
                    QVERIFY2(!rect->intersects(*otherRect),
                             qPrintable(other.objectName.toString()));
            }
        }
    }

    void buttons()
    {
        QFETCH(Layout::ButtonId, id);
        QFETCH(QString, objectName);
        QFETCH(QRect, window);
        QCOMPARE(Layout::button(id).objectName.toString(), objectName);
        QCOMPARE(Layout::button(id).window, window);
    }
};

QTEST_APPLESS_MAIN(TestLayout)
#include "tst_layout.moc"
