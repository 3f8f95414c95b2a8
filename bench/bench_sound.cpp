// Prints what sound costs where a child would notice it: how long a page turn and a click hold
// the GUI thread with recordings of every size and kind (the same turn without a recording
// beside it), and how much memory a long session keeps: every spread of a 120-spread book
// clicked, with book-format WAV recordings and with MP3 recordings.
//
// Plays at a private sound server when pulseaudio is there (as the sound tests do), silently
// otherwise. Needs ffmpeg for the MP3 recordings. Run: build/bench/bench_sound

#include "book/bookface.h"
#include "media/audioplayer.h"
#include "soundserver.h"
#include "tone.h"

#include <QApplication>
#include <QDataStream>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int rate = 32000;
constexpr int spreads = 120;

// A mono 16-bit WAV file of `seconds` of silence, without taking the disk space.
bool writeSilence(const QString &path, qint64 seconds)
{
    const qint64 samples = seconds * rate;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    writeWavHeader(out, rate, samples);
    return out.status() == QDataStream::Ok && file.resize(44 + samples * 2);
}

bool writeMp3(const QString &path, int seconds)
{
    return QProcess::execute(QStringLiteral("ffmpeg"),
                             {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"),
                              QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                              QStringLiteral("sine=frequency=440:duration=%1").arg(seconds),
                              QStringLiteral("-c:a"), QStringLiteral("libmp3lame"),
                              QStringLiteral("-q:a"), QStringLiteral("5"), path}) == 0;
}

// A map of `count` spreads, each with one hotspot over the whole page and a 100 ms segment.
QString writeMap(const QString &path, int count)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    QByteArray xml = "<Book>\n";
    for (int k = 1; k <= count; ++k) {
        xml += QStringLiteral("<P%1-%2><NO m=\"1\" FLASH=\"0\"/>"
                              "<N_0 LEFT=\"0\" TOP=\"0\" RIGHT=\"909\" BOTTOM=\"579\" "
                              "STARTTIME=\"60000\" ENDTIME=\"60100\" TEXT=\"x\"/></P%1-%2>\n")
                   .arg(2 * k)
                   .arg(2 * k + 1)
                   .toUtf8();
    }
    file.write(xml + "</Book>\n");
    return path;
}

// The recording `source` as every spread's, by symbolic links: one file on disk, a path each.
bool linkRecordings(const QString &dir, const QString &source, int count)
{
    QDir().mkpath(dir + QStringLiteral("/frequency"));
    for (int k = 1; k <= count; ++k) {
        const QString path = Content::spreadAudio(dir, k);
        QFile::remove(path);
        if (!QFile::link(source, path))
            return false;
    }
    return true;
}

qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

struct Figures
{
    double min = 0;
    double median = 0;
    double max = 0;
};

Figures figures(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return {values.front(), values[values.size() / 2], values.back()};
}

std::unique_ptr<bookface> makeView(const QString &map, const QString &dir, int last)
{
    auto view = std::make_unique<bookface>(
        nullptr, AudioPlayer::factory(),
        Content::Sources{.mapPath = map, .contentDir = dir, .lastSpread = last});
    view->resize(910, 580);
    view->show();
    return view;
}

// Milliseconds the GUI thread spends in a page turn and in a click, turning between spreads
// 1 and 2 whose recording is `recording` (none for an empty path).
void stallRow(const char *what, const QString &map, const QString &recording)
{
    QTemporaryDir dir;
    if (!recording.isEmpty() && !linkRecordings(dir.path(), recording, 2)) {
        std::printf("%-40s (could not link the recording)\n", what);
        return;
    }
    auto view = makeView(map, dir.path(), 2);
    std::vector<double> turns;
    std::vector<double> clicks;
    for (int i = 0; i < 21; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (view->currentSpread() == 1)
            view->setBookNowNext();
        else
            view->setBookNowUp();
        turns.push_back(timer.nsecsElapsed() / 1e6);
        QTest::mouseMove(view.get(), QPoint(450, 290));
        timer.start();
        QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(450, 290));
        clicks.push_back(timer.nsecsElapsed() / 1e6);
        QTest::qWait(150);
    }
    const Figures turn = figures(turns);
    const Figures click = figures(clicks);
    std::printf("%-40s %7.2f %7.2f %7.2f   %7.2f %7.2f %7.2f\n", what, turn.min, turn.median,
                turn.max, click.min, click.median, click.max);
}

// Resident memory while every spread of a 120-spread book is turned to and clicked, each
// click heard to its end.
void memoryRow(const char *what, const QString &map, const QString &recording)
{
    QTemporaryDir dir;
    if (!linkRecordings(dir.path(), recording, spreads)) {
        std::printf("%-40s (could not link the recordings)\n", what);
        return;
    }
    auto view = makeView(map, dir.path(), spreads);
    const qint64 before = residentKiB();
    qint64 peak = before;
    qint64 afterTen = 0;
    int unheard = 0;
    for (int k = 1; k <= spreads; ++k) {
        if (k > 1)
            view->setBookNowNext();
        QSignalSpy finished(view->readingPlayer(), &AbstractAudioPlayer::finished);
        // A move from elsewhere, so that the view sees the pointer arrive on the hotspot.
        QTest::mouseMove(view.get(), QPoint(10 + k % 2, 10));
        QTest::mouseMove(view.get(), QPoint(450, 290));
        QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(450, 290));
        if (!finished.wait(5000))
            ++unheard;
        peak = std::max(peak, residentKiB());
        if (k == 10)
            afterTen = residentKiB();
    }
    std::printf("%-40s %8.1f %8.1f %8.1f %8.1f %8d\n", what, before / 1024.0, afterTen / 1024.0,
                residentKiB() / 1024.0, peak / 1024.0, unheard);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SoundServer server;
    const QString noServer = server.start();
    std::printf("sound server: %s\n\n",
                noServer.isEmpty()
                    ? "a private PulseAudio server"
                    : qPrintable(QStringLiteral("none (%1); players run silently").arg(noServer)));

    QTemporaryDir dir;
    const QString map = writeMap(dir.filePath(QStringLiteral("point.xml")), spreads);
    const QString twoMinutes = dir.filePath(QStringLiteral("2min.wav"));
    const QString halfHour = dir.filePath(QStringLiteral("30min.wav"));
    const QString huge = dir.filePath(QStringLiteral("huge.wav"));
    const QString twoMinutesMp3 = dir.filePath(QStringLiteral("2min.mp3"));
    const QString halfHourMp3 = dir.filePath(QStringLiteral("30min.mp3"));
    if (!writeSilence(twoMinutes, 120) || !writeSilence(halfHour, 1800) ||
        !writeSilence(huge, (qint64(5) << 29) / (rate * 2)) || !writeMp3(twoMinutesMp3, 120) ||
        !writeMp3(halfHourMp3, 1800)) {
        std::printf("could not write the recordings (is ffmpeg installed?)\n");
        return 1;
    }

    std::printf("GUI thread per page turn and per click, ms     turn min/median/max     click "
                "min/median/max\n");
    stallRow("no recording", map, QString());
    stallRow("2-minute WAV", map, twoMinutes);
    stallRow("30-minute WAV", map, halfHour);
    stallRow("2.5 GiB WAV (11 hours)", map, huge);
    stallRow("2-minute MP3", map, twoMinutesMp3);
    stallRow("30-minute MP3", map, halfHourMp3);

    std::printf("\nresident memory, MB, every spread of a %d-spread book clicked\n", spreads);
    std::printf("%-40s %8s %8s %8s %8s %8s\n", "", "start", "10", "120", "peak", "unheard");
    memoryRow("2-minute WAV recordings", map, twoMinutes);
    memoryRow("2-minute MP3 recordings", map, twoMinutesMp3);
    return 0;
}
