// Prints how well `mvrbook draft` finds the hotspots of books whose true map is known: the
// demo book the build made, and two books made here that look scanned (another font and
// layout, bubbles, a coloured page, noise, a degree or two of skew, JPEG artefacts) and sound
// recorded (another voice and speed, short pauses, background noise, MP3).
//
// Per book: hotspots found (recall and precision at IoU >= 0.5), segment boundaries within
// 150 ms of the truth and the median error, and the draft time per spread.
//
// The demo book's truth: unit 1's hand-made map, and for the spreads laid out after it, where
// the generator drew and spoke each item.
//
// Run after a build: build/bench/bench_draft [--jobs N] [--keep] [--misses]. Needs espeak-ng
// and ffmpeg.

#include "content/content.h"
#include "content/spreadmap.h"
#include "tools/common/headless.h"
#include "tools/common/process.h"
#include "tools/mvrbook/bookdraft.h"
#include "tools/mvrbook/bookfolder.h"
#include "tools/mvrbook/draft/mfcc.h"
#include "tools/mvrbook/draft/sound.h"
#include "tools/mvrbook/draft/textunits.h"

#include <QCommandLineParser>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>

namespace {

constexpr int toleranceMs = 150;
constexpr double matchingOverlap = 0.5;

struct TrueHotspot
{
    QRect rect; // frame
    int startTime = -1;
    int endTime = -1;
};

using TrueMap = std::map<int, QList<TrueHotspot>>;

// How a made-up book looks and sounds.
struct Style
{
    QString name;
    QString family;
    QColor paper;
    QColor ink;
    QColor bubble;
    QSize scan;
    double skewDegrees;
    double noise; // standard deviation of the pixel noise, 0 ... 255
    int jpegQuality;
    QString voice; // espeak-ng
    int wordsPerMinute;
    int shortestPauseMs;
    int longestPauseMs;
    double hiss; // amplitude of the recording's background noise
    QString audioSuffix;
    unsigned seed;
};

const QStringList lines{
    QStringLiteral("My name is Lily."),
    QStringLiteral("I live in a small green house."),
    QStringLiteral("This is my brother Sam."),
    QStringLiteral("He likes to play football."),
    QStringLiteral("What time is it?"),
    QStringLiteral("It is seven o'clock."),
    QStringLiteral("Time to get up!"),
    QStringLiteral("I brush my teeth every morning."),
    QStringLiteral("Breakfast is ready."),
    QStringLiteral("Can I have some milk, please?"),
    QStringLiteral("Here you are."),
    QStringLiteral("Thank you, Mum."),
    QStringLiteral("We go to school by bus."),
    QStringLiteral("The bus is yellow and big."),
    QStringLiteral("Our teacher is Mr Brown."),
    QStringLiteral("Open your books, please."),
    QStringLiteral("Let's sing a song together."),
    QStringLiteral("Look at the rainbow!"),
    QStringLiteral("How many colours can you see?"),
    QStringLiteral("I can see seven colours."),
    QStringLiteral("Where is my pencil?"),
    QStringLiteral("It is under your desk."),
    QStringLiteral("Do you like apples?"),
    QStringLiteral("Yes, I do. They are sweet."),
    QStringLiteral("The cat is sleeping on the sofa."),
    QStringLiteral("Be quiet, please."),
    QStringLiteral("It is raining outside."),
    QStringLiteral("Take your umbrella with you."),
    QStringLiteral("See you tomorrow!"),
    QStringLiteral("Goodbye, Miss White."),
    QStringLiteral("My favourite animal is the panda."),
    QStringLiteral("Pandas eat bamboo."),
};

bool writeWav16k(const QString &path, const Speech &speech)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    const auto bytes = quint32(speech.size() * 2);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + bytes);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(Mfcc::sampleRate)
        << quint32(Mfcc::sampleRate * 2) << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << bytes;
    for (const float sample : speech)
        out << qint16(std::lround(std::clamp(sample, -1.0f, 1.0f) * 32767.0f));
    return out.status() == QDataStream::Ok;
}

// The truth of a recording where each text's speech is known: from a little before its first
// sound to a little after its last, never past the middle of a pause.
void fromSpeech(QList<TrueHotspot> &spread, const std::vector<std::pair<int, int>> &heard,
                int lastMs)
{
    for (size_t i = 0; i < heard.size(); ++i) {
        const int previous = i > 0 ? heard[i - 1].second : 0;
        const int following = i + 1 < heard.size() ? heard[i + 1].first : lastMs;
        spread[qsizetype(i)].startTime =
            std::max((previous + heard[i].first) / 2, heard[i].first - 40);
        spread[qsizetype(i)].endTime =
            std::min((heard[i].second + following) / 2, heard[i].second + 100);
    }
}

// Draws, speaks and "scans" a book of four spreads in `folder`; its true map.
std::optional<TrueMap> makeBook(const Style &style, const QString &folder, const QString &ffmpeg,
                                const QString &espeak)
{
    std::mt19937 random(style.seed);
    const QDir root(folder);
    root.mkpath(BookFolder::pagesDir);
    root.mkpath(BookFolder::audioDir);
    TrueMap truth;
    int next = 0;
    for (int k = 1; k <= 4; ++k) {
        const QSize size = style.scan;
        QImage page(size, QImage::Format_RGB32);
        page.fill(style.paper);
        QPainter painter(&page);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        QList<QRectF> rects; // pixels, unrotated
        QList<QString> texts;
        const double unit = size.height() / 580.0;
        for (int side = 0; side < 2; ++side) {
            const double pageLeft = side * size.width() / 2.0;
            double y = size.height() * 0.12;
            const int count = 3 + int(random() % 2);
            for (int n = 0; n < count; ++n) {
                const QString text = lines[next++ % lines.size()];
                const bool bubble = (random() % 3) == 0;
                const bool title = n == 0 && side == 0;
                QFont font(style.family);
                font.setPixelSize(int(unit * (title ? 30 : 20 + double(random() % 6))));
                font.setBold(title);
                painter.setFont(font);
                const QFontMetricsF metrics(font);
                const QRectF ink = metrics.tightBoundingRect(text);
                const double x =
                    pageLeft + size.width() * (0.05 + 0.1 * double(random() % 100) / 100.0);
                const double baseline = y + metrics.ascent();
                QRectF rect(x + ink.left(), baseline + ink.top(), ink.width(), ink.height());
                if (bubble) {
                    const QRectF outline =
                        rect.adjusted(-unit * 14, -unit * 10, unit * 14, unit * 10);
                    QPainterPath path;
                    path.addRoundedRect(outline, unit * 12, unit * 12);
                    path.moveTo(outline.left() + outline.width() * 0.3, outline.bottom());
                    path.lineTo(outline.left() + outline.width() * 0.25,
                                outline.bottom() + unit * 14);
                    path.lineTo(outline.left() + outline.width() * 0.4, outline.bottom());
                    painter.fillPath(path, style.bubble);
                    painter.setPen(QPen(style.ink, unit * 1.5));
                    painter.drawRoundedRect(outline, unit * 12, unit * 12);
                    rect = outline;
                } else {
                    // A third of the text's height around it, as the demo book's are drawn.
                    const double margin = ink.height() / 3;
                    rect.adjust(-margin, -margin, margin, margin);
                }
                painter.setPen(style.ink);
                painter.drawText(QPointF(x, baseline), text);
                rects.append(rect);
                texts.append(text);
                y = rect.bottom() + unit * (bubble ? 40 : 24) + double(random() % 20) * unit;
            }
        }
        painter.end();

        // The scan: turned a little, noisy, saved as a rough JPEG.
        QTransform turn;
        turn.translate(size.width() / 2.0, size.height() / 2.0);
        turn.rotate((k % 2 ? 1 : -1) * style.skewDegrees);
        turn.translate(-size.width() / 2.0, -size.height() / 2.0);
        QImage scan(size, QImage::Format_RGB32);
        scan.fill(style.paper);
        QPainter scanner(&scan);
        scanner.setRenderHint(QPainter::SmoothPixmapTransform);
        scanner.setTransform(turn);
        scanner.drawImage(0, 0, page);
        scanner.end();
        std::normal_distribution<double> grain(0.0, style.noise);
        for (int y = 0; y < size.height(); ++y) {
            auto *row = reinterpret_cast<QRgb *>(scan.scanLine(y));
            for (int x = 0; x < size.width(); ++x) {
                const int d = int(grain(random));
                row[x] = qRgb(std::clamp(qRed(row[x]) + d, 0, 255),
                              std::clamp(qGreen(row[x]) + d, 0, 255),
                              std::clamp(qBlue(row[x]) + d, 0, 255));
            }
        }
        if (!scan.save(root.filePath(BookFolder::pageFile(k, QStringLiteral("jpg"))), "JPG",
                       style.jpegQuality))
            return std::nullopt;

        // The recording, in reading order, with pauses of varying length and a hiss under it.
        Speech recording(size_t(Mfcc::sampleRate * 6 / 10), 0.0f);
        QList<TrueHotspot> spread;
        std::vector<std::pair<int, int>> heard;
        for (qsizetype i = 0; i < texts.size(); ++i) {
            const QString wav = root.filePath(QStringLiteral("said.wav"));
            if (!runProcess(espeak, {QStringLiteral("-v"), style.voice, QStringLiteral("-s"),
                                     QString::number(style.wordsPerMinute), QStringLiteral("-w"),
                                     wav, texts[i]})
                     .ok)
                return std::nullopt;
            QString error;
            const auto said = decodeSpeech(ffmpeg, wav, &error);
            QFile::remove(wav);
            if (!said)
                return std::nullopt;
            const Speech words = trimSilence(*said);
            const int onset = int(recording.size() * 1000 / Mfcc::sampleRate);
            recording.insert(recording.end(), words.begin(), words.end());
            heard.emplace_back(onset, int(recording.size() * 1000 / Mfcc::sampleRate));
            const int pauseMs =
                style.shortestPauseMs +
                int(random() % unsigned(style.longestPauseMs - style.shortestPauseMs + 1));
            recording.insert(recording.end(), size_t(Mfcc::sampleRate * pauseMs / 1000), 0.0f);
            QRectF turned = turn.mapRect(rects[i]);
            spread.append({TextUnits::toFrame(turned.toAlignedRect(), size), -1, -1});
        }
        std::normal_distribution<double> hiss(0.0, style.hiss);
        for (float &sample : recording)
            sample += float(hiss(random));
        fromSpeech(spread, heard, int(recording.size() * 1000 / Mfcc::sampleRate));
        truth[k] = spread;
        const QString wav = root.filePath(QStringLiteral("spread.wav"));
        if (!writeWav16k(wav, recording))
            return std::nullopt;
        const QString out = root.filePath(BookFolder::recordingFile(k, style.audioSuffix));
        const bool encoded =
            style.audioSuffix == u"wav"
                ? QFile::rename(wav, out)
                : runProcess(ffmpeg, {QStringLiteral("-v"), QStringLiteral("error"),
                                      QStringLiteral("-y"), QStringLiteral("-i"), wav, out})
                      .ok;
        QFile::remove(wav);
        if (!encoded)
            return std::nullopt;
    }
    // A contents spread without text to read is a plain page: nothing to find there.
    QImage contents(style.scan, QImage::Format_RGB32);
    contents.fill(style.paper);
    if (!contents.save(root.filePath(BookFolder::pageFile(0, QStringLiteral("jpg"))), "JPG", 80))
        return std::nullopt;
    return truth;
}

// The demo book's true map, read from its folder, and a copy of its pages and recordings
// without the map for the draft.
std::optional<TrueMap> copyDemoBook(const QString &demo, const QString &folder)
{
    Problems problems;
    const BookFolder book(demo, problems);
    if (!book.exists() || book.pages().empty())
        return std::nullopt;
    const QDir root(folder);
    root.mkpath(BookFolder::pagesDir);
    root.mkpath(BookFolder::audioDir);
    TrueMap truth;
    for (const auto &[k, page] : book.pages()) {
        QFile::copy(book.path(page), root.filePath(page));
        SpreadMap map([](const QString &, const QString &) {});
        map.setTag(Content::spreadTag(k));
        if (!map.load(book.path(BookFolder::mapFile)))
            return std::nullopt;
        for (const Hotspot &hotspot : map.hotspots())
            truth[k].append({hotspot.rect, k ? hotspot.startTime : -1, k ? hotspot.endTime : -1});
    }
    for (const auto &[k, recording] : book.recordings())
        QFile::copy(book.path(recording), root.filePath(recording));
    return truth;
}

// The demo book's segments run on into the silence after their speech; this is where their
// speech is, by the same measure the truth of the made books uses.
void toHeardSpeech(TrueMap &truth, const QString &folder, const QString &ffmpeg)
{
    Problems problems;
    const BookFolder book(folder, problems);
    for (auto &[k, hotspots] : truth) {
        const auto it = book.recordings().find(k);
        if (it == book.recordings().end())
            continue;
        QString error;
        const auto recording = decodeSpeech(ffmpeg, book.path(it->second), &error);
        if (!recording)
            continue;
        const Voicing voicing(*recording);
        for (TrueHotspot &hotspot : hotspots) {
            if (hotspot.startTime < 0)
                continue;
            int first = -1, last = -1;
            for (int f = hotspot.startTime / Voicing::frameMs;
                 f < std::min(voicing.frames(), hotspot.endTime / Voicing::frameMs); ++f) {
                if (voicing.voiced(f)) {
                    first = first < 0 ? f : first;
                    last = f + 1;
                }
            }
            if (first >= 0) {
                hotspot.startTime = std::max(hotspot.startTime, first * Voicing::frameMs - 40);
                hotspot.endTime = std::min(hotspot.endTime, last * Voicing::frameMs + 100);
            }
        }
    }
}

// The map of the demo book's laid-out spreads is itself a corrected draft: their truth is
// where the generator drew each item and placed its speech (truth.json). False when there is
// no such file.
bool toLaidOut(TrueMap &truth, const QString &truthFile)
{
    QFile file(truthFile);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QJsonArray spreads =
        QJsonDocument::fromJson(file.readAll()).object().value(u"spreads").toArray();
    for (const QJsonValue &value : spreads) {
        const QJsonObject spread = value.toObject();
        QList<TrueHotspot> hotspots;
        std::vector<std::pair<int, int>> heard;
        for (const QJsonValue &item : spread.value(u"hotspots").toArray()) {
            const QJsonArray rect = item.toObject().value(u"rect").toArray();
            const QJsonArray speech = item.toObject().value(u"speech").toArray();
            hotspots.append(
                {QRect(rect[0].toInt(), rect[1].toInt(), rect[2].toInt(), rect[3].toInt())});
            heard.emplace_back(speech[0].toInt(), speech[1].toInt());
        }
        // Every reading ends a second after its last item.
        fromSpeech(hotspots, heard, heard.empty() ? 0 : heard.back().second + 1000);
        truth[spread.value(u"spread").toInt()] = hotspots;
    }
    return !spreads.isEmpty();
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A true hotspot the draft did not find, with the drafted one nearest it.
void printMiss(const QString &name, int k, const TrueHotspot &hotspot,
               const QList<DraftHotspot> &drafted)
{
    const auto nearest = std::max_element(drafted.begin(), drafted.end(),
                                          [&](const DraftHotspot &a, const DraftHotspot &b) {
                                              return TextUnits::overlap(hotspot.rect, a.rect) <
                                                     TextUnits::overlap(hotspot.rect, b.rect);
                                          });
    const QRect &r = hotspot.rect;
    std::printf("  %s spread %d: not found: %d,%d %dx%d", qPrintable(name), k, r.x(), r.y(),
                r.width(), r.height());
    if (nearest != drafted.end() && TextUnits::overlap(r, nearest->rect) > 0) {
        const QRect &n = nearest->rect;
        std::printf("; nearest \"%s\" %d,%d %dx%d, overlap %.2f", qPrintable(nearest->english),
                    n.x(), n.y(), n.width(), n.height(), TextUnits::overlap(r, n));
    }
    std::printf("\n");
}

void evaluate(const QString &name, const TrueMap &truth, const BookDraft &draft,
              const QString &truthName, bool showMisses)
{
    int trueCount = 0, draftedCount = 0, matched = 0, boundaries = 0, within = 0, startsWithin = 0;
    // A page without hotspots in the true map may still show text (the demo book's numbered
    // placeholder pages do): precision is also given for the spreads the map has.
    int draftedWhereMapped = 0;
    std::vector<double> errors;
    std::vector<double> times, timesWithText;
    for (const auto &[k, spread] : draft.spreads) {
        draftedCount += int(spread.hotspots.size());
        const auto known = truth.find(k);
        const qsizetype trueHere = known == truth.end() ? 0 : known->second.size();
        if (trueHere)
            draftedWhereMapped += int(spread.hotspots.size());
        times.push_back(double(spread.elapsedMs));
        if (!spread.hotspots.isEmpty())
            timesWithText.push_back(double(spread.elapsedMs));
        if (trueHere != spread.hotspots.size())
            std::printf("  %s spread %d: %lld drafted, %lld true\n", qPrintable(name), k,
                        qlonglong(spread.hotspots.size()), qlonglong(trueHere));
    }
    for (const auto &[k, hotspots] : truth) {
        const auto drafted = draft.spreads.find(k);
        QList<bool> used(drafted == draft.spreads.end() ? 0 : drafted->second.hotspots.size(),
                         false);
        for (const TrueHotspot &hotspot : hotspots) {
            ++trueCount;
            if (hotspot.startTime >= 0)
                boundaries += 2;
            qsizetype best = -1;
            double bestOverlap = matchingOverlap;
            for (qsizetype i = 0; i < used.size(); ++i) {
                const double o = TextUnits::overlap(hotspot.rect, drafted->second.hotspots[i].rect);
                if (!used[i] && o >= bestOverlap) {
                    best = i;
                    bestOverlap = o;
                }
            }
            if (best < 0) {
                if (showMisses)
                    printMiss(name, k, hotspot,
                              drafted == draft.spreads.end() ? QList<DraftHotspot>()
                                                             : drafted->second.hotspots);
                continue;
            }
            used[best] = true;
            ++matched;
            const DraftHotspot &found = drafted->second.hotspots[best];
            if (hotspot.startTime < 0 || found.startTime < 0)
                continue;
            if (showMisses && (std::abs(found.startTime - hotspot.startTime) > toleranceMs ||
                               std::abs(found.endTime - hotspot.endTime) > toleranceMs))
                std::printf("  %s spread %d \"%s\": drafted %d-%d ms, true %d-%d ms\n",
                            qPrintable(name), k, qPrintable(found.english), found.startTime,
                            found.endTime, hotspot.startTime, hotspot.endTime);
            const double startError = std::abs(double(found.startTime - hotspot.startTime));
            startsWithin += startError <= toleranceMs ? 1 : 0;
            for (const double error :
                 {startError, std::abs(double(found.endTime - hotspot.endTime))}) {
                errors.push_back(error);
                within += error <= toleranceMs ? 1 : 0;
            }
        }
    }
    std::printf("%-22s %4d true %4d drafted  recall %5.1f %%  precision %5.1f %% (%5.1f %% on "
                "mapped spreads)  boundaries within %d ms %5.1f %% of %d (starts %5.1f %%; %s), "
                "median error %4.0f ms  time per spread min %.1f s median %.1f s (%.1f s with "
                "text)\n",
                qPrintable(name), trueCount, draftedCount, 100.0 * matched / std::max(1, trueCount),
                100.0 * matched / std::max(1, draftedCount),
                100.0 * matched / std::max(1, draftedWhereMapped), toleranceMs,
                100.0 * within / std::max(1, boundaries), boundaries,
                100.0 * startsWithin / std::max(1, boundaries / 2), qPrintable(truthName),
                median(errors),
                times.empty() ? 0 : *std::min_element(times.begin(), times.end()) / 1000.0,
                median(times) / 1000.0, median(timesWithText) / 1000.0);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    prepareHeadless(QStringLiteral("bench_draft"));
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption jobs(QStringLiteral("jobs"), QStringLiteral("Spreads at once."),
                                  QStringLiteral("n"),
                                  QString::number(QThread::idealThreadCount()));
    const QCommandLineOption keep(QStringLiteral("keep"),
                                  QStringLiteral("Keep the books made and drafted, to look at "
                                                 "with mvrbook preview; prints where."));
    const QCommandLineOption misses(QStringLiteral("misses"),
                                    QStringLiteral("Print every true hotspot not found, and "
                                                   "every segment with a boundary further "
                                                   "from the truth than allowed."));
    parser.addOptions({jobs, keep, misses});
    parser.process(app);

    DraftOptions options;
    options.programs = {findProgram(QStringLiteral("ffmpeg")),
                        findProgram(QStringLiteral("espeak-ng"))};
    options.jobs = std::max(1, parser.value(jobs).toInt());
    if (options.programs.ffmpeg.isEmpty() || options.programs.espeak.isEmpty()) {
        std::fprintf(stderr, "bench_draft: needs ffmpeg and espeak-ng\n");
        return 1;
    }
    QTemporaryDir work;
    if (parser.isSet(keep)) {
        work.setAutoRemove(false);
        std::printf("books in %s\n", qPrintable(work.path()));
    }
    const auto draftAndEvaluate = [&](const QString &name, const TrueMap &truth,
                                      const QString &folder, const QString &truthName) {
        const BookDraft draft = draftBook(folder, options);
        if (!draft.failure.isEmpty()) {
            std::fprintf(stderr, "bench_draft: %s\n", qPrintable(draft.failure));
            return;
        }
        for (const auto &[k, spread] : draft.spreads)
            for (const QString &problem : spread.problems)
                std::printf("  %s spread %d: %s\n", qPrintable(name), k, qPrintable(problem));
        evaluate(name, truth, draft, truthName, parser.isSet(misses));
    };

    const QString demo = QStringLiteral(MIVORA_DEMO_FOLDER);
    const QString demoCopy = work.filePath(QStringLiteral("demo"));
    if (auto truth = copyDemoBook(demo, demoCopy)) {
        toHeardSpeech(*truth, demoCopy, options.programs.ffmpeg);
        const bool laidOut = toLaidOut(*truth, QStringLiteral(MIVORA_DEMO_TRUTH));
        draftAndEvaluate(QStringLiteral("demo book"), *truth, demoCopy,
                         laidOut ? QStringLiteral("unit 1: the map's segments narrowed to their "
                                                  "speech; the rest: as drawn and read")
                                 : QStringLiteral("the map, narrowed to the speech; no truth.json, "
                                                  "so the laid-out spreads' own corrected draft"));
    } else
        std::printf("demo book: not found in %s (the normal build makes it)\n", qPrintable(demo));

    const QList<Style> styles{
        {QStringLiteral("scanned serif book"), QStringLiteral("DejaVu Serif"),
         QColor(250, 246, 232), QColor(30, 30, 40), QColor(255, 255, 255), QSize(2200, 1500), 1.5,
         9.0, 45, QStringLiteral("en-gb+m3"), 150, 300, 600, 0.006, QStringLiteral("mp3"), 17u},
        {QStringLiteral("coloured bubbly book"), QStringLiteral("URW Bookman"),
         QColor(214, 236, 250), QColor(20, 40, 90), QColor(255, 250, 200), QSize(1600, 1100), 1.0,
         6.0, 35, QStringLiteral("en-us+f2"), 200, 250, 450, 0.01, QStringLiteral("wav"), 29u},
    };
    for (const Style &style : styles) {
        const QString folder = work.filePath(style.name);
        const auto truth =
            makeBook(style, folder, options.programs.ffmpeg, options.programs.espeak);
        if (!truth) {
            std::printf("%s: could not be made\n", qPrintable(style.name));
            continue;
        }
        draftAndEvaluate(style.name, *truth, folder, QStringLiteral("the speech as made"));
    }
    return 0;
}
