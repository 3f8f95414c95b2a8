#include "media/wavfile.h"

#include <QTest>
#include <QtEndian>

namespace {

QByteArray le16(quint16 v)
{
    QByteArray out(2, Qt::Uninitialized);
    qToLittleEndian(v, out.data());
    return out;
}

QByteArray le32(quint32 v)
{
    QByteArray out(4, Qt::Uninitialized);
    qToLittleEndian(v, out.data());
    return out;
}

QByteArray chunk(const char *id, const QByteArray &body, quint32 declared = 0xFFFFFFFF)
{
    const quint32 size = declared == 0xFFFFFFFF ? quint32(body.size()) : declared;
    QByteArray out = QByteArray(id, 4) + le32(size) + body;
    if (body.size() % 2 && declared == 0xFFFFFFFF)
        out += '\0';
    return out;
}

QByteArray fmtBody(quint16 encoding, quint16 channels, quint32 rate, quint16 bits)
{
    const quint16 align = channels * bits / 8;
    return le16(encoding) + le16(channels) + le32(rate) + le32(rate * align) + le16(align) +
           le16(bits);
}

QByteArray extensibleBody(quint16 subFormat, quint16 channels, quint32 rate, quint16 bits)
{
    // cbSize 22, valid bits, channel mask, then the GUID whose first two bytes are the code.
    return fmtBody(0xFFFE, channels, rate, bits) + le16(22) + le16(bits) + le32(0) +
           le16(subFormat) + QByteArray(14, '\x01');
}

QByteArray riff(const QByteArray &chunks)
{
    return "RIFF" + le32(quint32(4 + chunks.size())) + "WAVE" + chunks;
}

} // namespace

// The player reads WAVE files itself, straight from bytes that may be damaged.
class TestWavFile : public QObject
{
    Q_OBJECT

private slots:
    void parses_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<int>("sampleFormat");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("rate");
        QTest::addColumn<QByteArray>("samples");

        const QByteArray s16("\x01\x02\x03\x04", 4);
        QTest::newRow("16-bit mono")
            << riff(chunk("fmt ", fmtBody(1, 1, 22050, 16)) + chunk("data", s16)) << true
            << int(QAudioFormat::Int16) << 1 << 22050 << s16;
        QTest::newRow("8-bit stays unsigned")
            << riff(chunk("fmt ", fmtBody(1, 1, 8000, 8)) + chunk("data", "\x80\x7f")) << true
            << int(QAudioFormat::UInt8) << 1 << 8000 << QByteArray("\x80\x7f");
        QTest::newRow("24-bit widens to 32")
            << riff(chunk("fmt ", fmtBody(1, 1, 48000, 24)) + chunk("data", "\x01\x02\x03")) << true
            << int(QAudioFormat::Int32) << 1 << 48000 << QByteArray("\x00\x01\x02\x03", 4);
        const float half = 0.5f;
        const QByteArray f32(reinterpret_cast<const char *>(&half), 4);
        QTest::newRow("32-bit float")
            << riff(chunk("fmt ", fmtBody(3, 1, 44100, 32)) + chunk("data", f32)) << true
            << int(QAudioFormat::Float) << 1 << 44100 << f32;
        const double halfWide = 0.5;
        QTest::newRow("64-bit float narrows")
            << riff(chunk("fmt ", fmtBody(3, 1, 44100, 64)) +
                    chunk("data", QByteArray(reinterpret_cast<const char *>(&halfWide), 8)))
            << true << int(QAudioFormat::Float) << 1 << 44100 << f32;
        QTest::newRow("extensible 16-bit stereo")
            << riff(chunk("fmt ", extensibleBody(1, 2, 48000, 16)) + chunk("data", s16)) << true
            << int(QAudioFormat::Int16) << 2 << 48000 << s16;
        QTest::newRow("odd chunk before the data is padded")
            << riff(chunk("fmt ", fmtBody(1, 1, 22050, 16)) + chunk("LIST", "abc") +
                    chunk("data", s16))
            << true << int(QAudioFormat::Int16) << 1 << 22050 << s16;
        QTest::newRow("data cut short keeps whole frames")
            << riff(chunk("fmt ", fmtBody(1, 2, 22050, 16)) +
                    chunk("data", QByteArray("\x01\x02\x03\x04\x05\x06", 6), 4000))
            << true << int(QAudioFormat::Int16) << 2 << 22050 << s16;
        QTest::newRow("unknown length runs to the end")
            << riff(chunk("fmt ", fmtBody(1, 1, 22050, 16)) +
                    chunk("data", s16 + s16, 0xFFFFFFFF - 1))
            << true << int(QAudioFormat::Int16) << 1 << 22050 << s16 + s16;
        QTest::newRow("unknown length ends before appended metadata")
            << riff(chunk("fmt ", fmtBody(1, 1, 22050, 16)) + chunk("data", s16, 0xFFFFFFFF - 1) +
                    chunk("LIST", "INFOab") + chunk("id3 ", "xyz"))
            << true << int(QAudioFormat::Int16) << 1 << 22050 << s16;
        QTest::newRow("a chunk name inside the samples is a sample")
            << riff(chunk("fmt ", fmtBody(1, 1, 22050, 16)) +
                    chunk("data", QByteArray("LIST\x02\0\0\0abcd", 12), 0xFFFFFFFF - 1))
            << true << int(QAudioFormat::Int16) << 1 << 22050
            << QByteArray("LIST\x02\0\0\0abcd", 12);
        QTest::newRow("empty data")
            << riff(chunk("fmt ", fmtBody(1, 1, 22050, 16)) + chunk("data", {})) << true
            << int(QAudioFormat::Int16) << 1 << 22050 << QByteArray();

        QTest::newRow("not RIFF") << QByteArray("ID3\x03 an mp3 header") << false << 0 << 0 << 0
                                  << QByteArray();
        QTest::newRow("header only")
            << QByteArray("RIFF\x04\0\0\0WAVE", 12) << false << 0 << 0 << 0 << QByteArray();
        QTest::newRow("data before fmt")
            << riff(chunk("data", s16) + chunk("fmt ", fmtBody(1, 1, 22050, 16))) << false << 0 << 0
            << 0 << QByteArray();
        QTest::newRow("ADPCM goes to the decoder")
            << riff(chunk("fmt ", fmtBody(2, 1, 22050, 4)) + chunk("data", s16)) << false << 0 << 0
            << 0 << QByteArray();
        QTest::newRow("no channels")
            << riff(chunk("fmt ", fmtBody(1, 0, 22050, 16)) + chunk("data", s16)) << false << 0 << 0
            << 0 << QByteArray();
        QTest::newRow("1 Hz") << riff(chunk("fmt ", fmtBody(1, 1, 1, 16)) + chunk("data", s16))
                              << false << 0 << 0 << 0 << QByteArray();
        QTest::newRow("a million Hz")
            << riff(chunk("fmt ", fmtBody(1, 1, 1000000, 16)) + chunk("data", s16)) << false << 0
            << 0 << 0 << QByteArray();
        QTest::newRow("nine channels")
            << riff(chunk("fmt ", fmtBody(1, 9, 22050, 16)) + chunk("data", s16)) << false << 0 << 0
            << 0 << QByteArray();
        QTest::newRow("fmt too short")
            << riff(chunk("fmt ", QByteArray(10, '\x01')) + chunk("data", s16)) << false << 0 << 0
            << 0 << QByteArray();
        QTest::newRow("huge chunk size ends the walk")
            << riff(chunk("fmt ", fmtBody(1, 1, 22050, 16)) + chunk("junk", "ab", 0xFFFFFFF0) +
                    chunk("data", s16))
            << false << 0 << 0 << 0 << QByteArray();
    }

    void parses()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, readable);

        const std::optional<Pcm> pcm = Wav::parse(file);
        QCOMPARE(pcm.has_value(), readable);
        if (!readable)
            return;
        QFETCH(int, sampleFormat);
        QFETCH(int, channels);
        QFETCH(int, rate);
        QFETCH(QByteArray, samples);
        QCOMPARE(int(pcm->format.sampleFormat()), sampleFormat);
        QCOMPARE(pcm->format.channelCount(), channels);
        QCOMPARE(pcm->format.sampleRate(), rate);
        QCOMPARE(pcm->data, samples);
    }

    // A recording of hours: sizes and offsets past 4 GiB, read only where the header is.
    void layoutOfAHugeFile()
    {
        QByteArray head = riff(chunk("fmt ", fmtBody(1, 2, 48000, 16)) + chunk("data", {}));
        head.replace(head.size() - 4, 4, le32(0xFFFFFFFF));
        const qint64 size = qint64(5) << 30;
        qint64 furthest = 0;
        const auto read = [&](qint64 at, qint64 length) {
            furthest = std::max(furthest, at + length);
            if (at >= head.size())
                return QByteArray(std::min(length, size - at), '\0');
            return head.mid(at, length);
        };
        const std::optional<Wav::Layout> layout = Wav::readLayout(read, size);
        QVERIFY(layout);
        QCOMPARE(layout->dataOffset, qint64(head.size()));
        QCOMPARE(layout->frames(), (size - head.size()) / 4);
        // The header, and the end where appended metadata would be; nothing between.
        QVERIFY(furthest == size);
    }

    // Every prefix of a good file is read without reading past it.
    void everyTruncationIsSafe()
    {
        const QByteArray file =
            riff(chunk("fmt ", fmtBody(1, 2, 22050, 16)) + chunk("data", QByteArray(400, '\x11')));
        for (qsizetype n = 0; n <= file.size(); ++n) {
            const QByteArray prefix =
                file.first(n); // its own buffer, so a sanitizer sees overreads
            const std::optional<Pcm> pcm = Wav::parse(prefix);
            if (pcm)
                QCOMPARE(pcm->data.size() % 4, 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestWavFile)
#include "tst_wavfile.moc"
