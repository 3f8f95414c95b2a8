#include "media/sound.h"
#include "tone.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

// Sounds are opened in the background, shared and kept within bounds, never stale, and read
// the same whichever way they reached the player.
class TestSound : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    static QByteArray readAll(const Sound &sound)
    {
        const int frameBytes = sound.format().bytesPerFrame();
        QByteArray samples(sound.framesAvailable() * frameBytes, Qt::Uninitialized);
        const qint64 got = sound.read(0, sound.framesAvailable(), samples.data());
        samples.truncate(got * frameBytes);
        return samples;
    }

    static bool settled(const Sound &sound)
    {
        return sound.status() != Sound::Status::Opening && sound.complete();
    }

private slots:
    void sameSourceIsOpenedOnce()
    {
        const QString path = m_dir.filePath(QStringLiteral("once.dll"));
        QVERIFY(writeTone(path, 500));
        SoundLibrary library;
        const auto first = library.sound(path);
        QTRY_VERIFY(settled(*first));
        QCOMPARE(first->status(), Sound::Status::Ready);
        QCOMPARE(first->framesAvailable(), 22050 / 2);
        QCOMPARE(library.sound(path), first);
    }

    void rewrittenFileIsOpenedAnew()
    {
        const QString path = m_dir.filePath(QStringLiteral("rewritten.dll"));
        QVERIFY(writeTone(path, 500));
        SoundLibrary library;
        const auto before = library.sound(path);
        QTRY_VERIFY(settled(*before));
        QVERIFY(writeTone(path, 800));
        const auto after = library.sound(path);
        QVERIFY(after != before);
        QTRY_VERIFY(settled(*after));
        QCOMPARE(after->framesAvailable(), 22050 * 8 / 10);
    }

    void missingFileIsTriedAgain()
    {
        const QString path = m_dir.filePath(QStringLiteral("later.dll"));
        SoundLibrary library;
        const auto missing = library.sound(path);
        QTRY_COMPARE(missing->status(), Sound::Status::Failed);
        QVERIFY(writeTone(path, 300));
        const auto found = library.sound(path);
        QTRY_COMPARE(found->status(), Sound::Status::Ready);
    }

    void keptFilesAreBounded()
    {
        SoundLibrary library(1);
        QStringList paths;
        for (int i = 0; i < 2; ++i) {
            paths << m_dir.filePath(QStringLiteral("kept%1.dll").arg(i));
            QVERIFY(writeTone(paths.last(), 200));
        }
        std::shared_ptr<Sound> held = library.sound(paths[0]);
        QTRY_VERIFY(settled(*held));
        const std::weak_ptr<Sound> first = held;
        held.reset();
        QVERIFY(!first.expired());
        library.sound(paths[1]);
        // Nobody holds the first any more, and the library keeps one file.
        QTRY_VERIFY(first.expired());
    }

    // A compressed recording on disk is decoded into a temporary file and read from there,
    // sample for sample what the same bytes give from memory.
    void compressedFileReadsAsFromMemory()
    {
        const QString resource = QStringLiteral(":/Image/audio/Prompt.mp3");
        const QString copy = m_dir.filePath(QStringLiteral("prompt.dll"));
        QVERIFY(QFile::copy(resource, copy));
        SoundLibrary library;
        const auto inMemory = library.sound(resource);
        const auto onDisk = library.sound(copy);
        QTRY_VERIFY_WITH_TIMEOUT(settled(*inMemory) && settled(*onDisk), 10000);
        QCOMPARE(onDisk->status(), Sound::Status::Ready);
        QCOMPARE(onDisk->format(), inMemory->format());
        // 1.3 s of prompt.
        QVERIFY(onDisk->framesAvailable() > onDisk->format().sampleRate());
        QCOMPARE(readAll(*onDisk), readAll(*inMemory));
    }

    // Reads in the middle of a file convert what is stored to what the server takes.
    void readsConvertStoredSamples()
    {
        QByteArray file("RIFF\0\0\0\0WAVEfmt ", 16);
        QByteArray fmt(16, '\0');
        qToLittleEndian<quint16>(1, fmt.data());
        qToLittleEndian<quint16>(1, fmt.data() + 2);
        qToLittleEndian<quint32>(8000, fmt.data() + 4);
        qToLittleEndian<quint16>(3, fmt.data() + 12);
        qToLittleEndian<quint16>(24, fmt.data() + 14);
        file += QByteArray("\x10\0\0\0", 4) + fmt + QByteArray("data\x09\0\0\0", 8);
        file += QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08\x09", 9);
        const QString path = m_dir.filePath(QStringLiteral("wide.dll"));
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file) == file.size());
        out.close();

        SoundLibrary library;
        const auto sound = library.sound(path);
        QTRY_VERIFY(settled(*sound));
        QCOMPARE(sound->format().sampleFormat(), QAudioFormat::Int32);
        QCOMPARE(sound->framesAvailable(), 3);
        char frames[8];
        QCOMPARE(sound->read(1, 5, frames), 2);
        QCOMPARE(QByteArray(frames, 8), QByteArray("\x00\x04\x05\x06\x00\x07\x08\x09", 8));
        QCOMPARE(sound->read(3, 1, frames), 0);
        QCOMPARE(sound->read(-1, 1, frames), 0);
    }
};

QTEST_GUILESS_MAIN(TestSound)
#include "tst_sound.moc"
