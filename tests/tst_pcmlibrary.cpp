#include "media/pcmsound.h"
#include "tone.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// Decoded sounds are shared and kept, but never stale and never without bound.
class TestPcmLibrary : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void sameSourceIsDecodedOnce()
    {
        const QString path = m_dir.filePath(QStringLiteral("once.dll"));
        QVERIFY(writeTone(path, 500));
        PcmLibrary library(1 << 20);
        const auto first = library.sound(path);
        QCOMPARE(first->status(), PcmSound::Status::Ready);
        QCOMPARE(first->data().size(), 22050 / 2 * 2);
        QCOMPARE(library.sound(path), first);
    }

    void rewrittenFileIsDecodedAnew()
    {
        const QString path = m_dir.filePath(QStringLiteral("rewritten.dll"));
        QVERIFY(writeTone(path, 500));
        PcmLibrary library(1 << 20);
        const auto before = library.sound(path);
        QVERIFY(writeTone(path, 800));
        const auto after = library.sound(path);
        QVERIFY(after != before);
        QCOMPARE(after->data().size(), 22050 * 8 / 10 * 2);
    }

    void missingFileIsTriedAgain()
    {
        const QString path = m_dir.filePath(QStringLiteral("later.dll"));
        PcmLibrary library(1 << 20);
        QCOMPARE(library.sound(path)->status(), PcmSound::Status::Failed);
        QVERIFY(writeTone(path, 300));
        QCOMPARE(library.sound(path)->status(), PcmSound::Status::Ready);
    }

    void unusedSoundsGoOverBudget()
    {
        // Each tone is about 22 KB; the budget holds one.
        PcmLibrary library(30000);
        QStringList paths;
        for (int i = 0; i < 3; ++i) {
            paths << m_dir.filePath(QStringLiteral("budget%1.dll").arg(i));
            QVERIFY(writeTone(paths.last(), 500));
        }
        const auto held = library.sound(paths[0]);
        const std::weak_ptr<PcmSound> unused = library.sound(paths[1]);
        QVERIFY(!unused.expired());
        library.sound(paths[2]);
        // In use: kept; unused and over budget: let go.
        QCOMPARE(library.sound(paths[0]), held);
        QVERIFY(unused.expired());
    }

    void compressedSourcesDecodeInTheBackground()
    {
        PcmLibrary library(1 << 24);
        const auto sound = library.sound(QStringLiteral(":/Image/audio/Prompt.mp3"));
        QSignalSpy grew(sound.get(), &PcmSound::grew);
        QTRY_COMPARE_WITH_TIMEOUT(sound->status(), PcmSound::Status::Ready, 10000);
        QVERIFY(!grew.isEmpty());
        // 1.3 s at the decoder's 48 kHz stereo 16-bit.
        QVERIFY(sound->data().size() > 48000 * 4);
    }
};

QTEST_MAIN(TestPcmLibrary)
#include "tst_pcmlibrary.moc"
