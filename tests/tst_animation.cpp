#include "app/widget.h"
#include "book/bookface.h"
#include "book/flash.h"
#include "media/movieplayer.h"
#include "modal.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

// The animation buttons and player end to end: a map that gives spread 2 two animations, the
// demo book's movies, the real players.
class TestAnimation : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_mapPath;

private slots:
    void initTestCase()
    {
        for (const char *movie : {"information2.dll", "information2b.dll"}) {
            if (!QFile::exists(QStringLiteral(MIVORA_OUTPUT_DIR "/data/") + QLatin1String(movie)))
                QSKIP("the demo book's movies were not made (a tool was missing at build time)");
        }
        m_mapPath = m_dir.filePath(QStringLiteral("map.xml"));
        QFile map(m_mapPath);
        QVERIFY(map.open(QIODevice::WriteOnly));
        map.write(R"(<Book><P2-3><NO m="0" FLASH="0"/></P2-3>)"
                  R"(<P4-5><NO m="0" FLASH="2"/></P4-5></Book>)");
    }

    void bothMoviesPlayOverTheWholePlayer()
    {
        Widget window(nullptr, AudioPlayer::factory(),
                      Content::Sources{.mapPath = m_mapPath,
                                       .contentDir = QStringLiteral(MIVORA_OUTPUT_DIR)});
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const auto buttons = window.findChildren<QPushButton *>(QStringLiteral("flash"));
        window.findChild<QPushButton *>(QStringLiteral("next"))->click();
        QCOMPARE(window.findChild<bookface *>()->currentSpread(), 2);
        QVERIFY(buttons[0]->isVisible());
        QVERIFY(buttons[1]->isVisible());

        for (int second = 0; second < 2; ++second) {
            QString path;
            bool played = false;
            QRect movieArea;
            whenModalShows([&](QWidget *dialog) {
                auto *player = qobject_cast<flash *>(dialog);
                path = player->moviePath();
                movieArea = player->movieWidget()->geometry();
                played =
                    QTest::qWaitFor([&] { return player->movieWidget()->position() > 800; }, 10000);
                QTest::keyClick(player, Qt::Key_Escape);
            });
            buttons[second]->click();
            QVERIFY(played);
            QCOMPARE(path, QStringLiteral(MIVORA_OUTPUT_DIR "/data/information2%1.dll")
                               .arg(second ? "b" : ""));
            QCOMPARE(movieArea.topLeft(), QPoint(0, 0));
            QVERIFY(!QApplication::activeModalWidget());
        }
    }
};

QTEST_MAIN(TestAnimation)
#include "tst_animation.moc"
