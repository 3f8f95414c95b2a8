#include "media/audioplayer.h"
#include "tone.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// Runs the real player on the real backend: the views rely on these rules holding.
class TestAudioPlayer : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_tone;

private slots:
    void initTestCase()
    {
        // The spread audio files carry a ".dll" name whatever they hold.
        m_tone = m_dir.filePath(QStringLiteral("tone.dll"));
        QVERIFY(writeTone(m_tone, 3000));
    }

    void seekRightAfterPlayTakesEffect()
    {
        AudioPlayer player;
        player.setSource(m_tone);
        player.play();
        player.seek(1500);
        QCOMPARE(player.state(), AbstractAudioPlayer::State::Playing);
        QTRY_VERIFY_WITH_TIMEOUT(player.currentTime() > 1600, 5000);
        QVERIFY(player.currentTime() < 2900);

        // Again after a stop, and while playing.
        player.stop();
        QCOMPARE(player.state(), AbstractAudioPlayer::State::Stopped);
        player.play();
        player.seek(2000);
        QTRY_VERIFY_WITH_TIMEOUT(player.currentTime() > 2050, 5000);
        player.play();
        player.seek(500);
        QTRY_VERIFY_WITH_TIMEOUT(player.currentTime() > 550 && player.currentTime() < 1500, 5000);
        player.stop();
    }

    void finishedOnceAtTheEndOnly()
    {
        AudioPlayer player;
        QSignalSpy finished(&player, &AbstractAudioPlayer::finished);
        player.setSource(m_tone);
        player.play();
        player.seek(2600);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 5000);
        QCOMPARE(player.state(), AbstractAudioPlayer::State::Stopped);

        // Stopping and clearing are not an end.
        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(player.currentTime() > 100, 5000);
        player.stop();
        player.play();
        player.clear();
        QCOMPARE(player.state(), AbstractAudioPlayer::State::Stopped);
        QCOMPARE(finished.size(), 1);

        // Cleared means no source: play has nothing to play.
        player.play();
        QTRY_COMPARE_WITH_TIMEOUT(player.state(), AbstractAudioPlayer::State::Stopped, 5000);
        QCOMPARE(player.currentTime(), 0);
        QCOMPARE(finished.size(), 1);
    }

    void playsCompiledInResources_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("wav") << QStringLiteral(":/Image/audio/wordright.wav");
        QTest::newRow("mp3") << QStringLiteral(":/Image/audio/Prompt.mp3");
    }

    void playsCompiledInResources()
    {
        QFETCH(QString, path);
        AudioPlayer player;
        QSignalSpy finished(&player, &AbstractAudioPlayer::finished);
        player.setSource(path);
        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(player.currentTime() > 200, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
    }

    // Damaged recordings: what can be decoded plays to its end, the rest is silence; the
    // player never hangs in Playing and never reports anything.
    void damagedFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("plays");

        QFile tone(m_tone);
        QVERIFY(tone.open(QIODevice::ReadOnly));
        const QByteArray wav = tone.readAll();
        QFile praise(QStringLiteral(":/Image/audio/right0.mp3"));
        QVERIFY(praise.open(QIODevice::ReadOnly));
        const QByteArray mp3 = praise.readAll();
        QByteArray noise(20000, Qt::Uninitialized);
        for (qsizetype i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 7919 + 13) % 251);

        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("empty") << QByteArray("") << false;
        QTest::newRow("noise") << noise << false;
        QTest::newRow("wav header only") << wav.first(44) << false;
        QTest::newRow("wav cut in half") << wav.first(wav.size() / 2) << true;
        QTest::newRow("mp3 cut in half") << mp3.first(mp3.size() / 2) << true;
        QTest::newRow("mp3 with noise after its head") << mp3.first(400) + noise << false;
    }

    void damagedFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, plays);

        static int n = 0;
        const QString path = m_dir.filePath(QStringLiteral("damaged%1.dll").arg(++n));
        if (!content.isNull()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        AudioPlayer player;
        QSignalSpy finished(&player, &AbstractAudioPlayer::finished);
        player.setSource(path);
        player.play();
        player.seek(100);
        QTRY_COMPARE_WITH_TIMEOUT(player.state(), AbstractAudioPlayer::State::Stopped, 10000);
        QCOMPARE(player.currentTime(), 0);
        QCOMPARE(finished.size(), plays ? 1 : 0);
    }
};

QTEST_MAIN(TestAudioPlayer)
#include "tst_audioplayer.moc"
