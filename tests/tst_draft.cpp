// The draft of a hotspot map: MFCC and dynamic time warping on made-up signals, the grouping of
// read words into what a child clicks, the frame conversion, what a draft says about pages and
// recordings it cannot use, and a whole draft of a small book against its known map.

#include "content/content.h"
#include "content/spreadmap.h"
#include "tools/mvrbook/bookcheck.h"
#include "tools/mvrbook/bookdraft.h"
#include "tools/mvrbook/bookfolder.h"
#include "tools/mvrbook/draft/alignment.h"
#include "tools/mvrbook/draft/dtw.h"
#include "tools/mvrbook/draft/mfcc.h"
#include "tools/mvrbook/draft/sound.h"
#include "tools/mvrbook/draft/spreaddraft.h"
#include "tools/mvrbook/draft/textunits.h"

#include "smallbook.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <numbers>
#include <random>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int rate = Mfcc::sampleRate;

// A "sentence" of made-up sounds: each part two tones gliding up by half over `ms`, so that
// its MFCC frames differ from part to part and within a part, as in speech.
Speech chords(const QList<std::pair<int, int>> &parts, int ms)
{
    Speech speech;
    const int length = rate * ms / 1000;
    for (const auto &[low, high] : parts) {
        double lowPhase = 0, highPhase = 0;
        for (int n = 0; n < length; ++n) {
            const double glide = 1.0 + 0.5 * n / length;
            lowPhase += 2 * std::numbers::pi * low * glide / rate;
            highPhase += 2 * std::numbers::pi * high * glide / rate;
            speech.push_back(float(0.3 * std::sin(lowPhase) + 0.2 * std::sin(highPhase)));
        }
    }
    return speech;
}

Speech silence(int ms)
{
    return Speech(size_t(rate * ms / 1000), 0.0f);
}

void append(Speech &to, const Speech &part)
{
    to.insert(to.end(), part.begin(), part.end());
}

// A faint hiss, as every real recording has, so that silence is not digital zero.
void addHiss(Speech &speech)
{
    std::mt19937 random(7);
    std::normal_distribution<float> hiss(0.0f, 0.002f);
    for (float &sample : speech)
        sample += hiss(random);
}

const QList<QList<std::pair<int, int>>> sentenceParts{
    {{300, 900}, {500, 1500}, {700, 2100}, {400, 2600}},
    {{250, 1800}, {650, 1200}, {350, 3000}},
    {{800, 2400}, {450, 700}, {600, 3300}, {300, 1100}, {900, 2000}},
};

OcrWord word(int x, int y, int w, int h, const QString &text, double confidence = 95)
{
    return {QRect(x, y, w, h), text, confidence};
}

QString corners(const QRect &r)
{
    return QStringLiteral("(%1, %2)-(%3, %4)")
        .arg(r.left())
        .arg(r.top())
        .arg(r.right())
        .arg(r.bottom());
}

QString programPath(const char *name)
{
    return QStandardPaths::findExecutable(QLatin1String(name));
}

} // namespace

class tst_draft : public QObject
{
    Q_OBJECT

private slots:
    void dtwFollowsAStretchedSignal_data();
    void dtwFollowsAStretchedSignal();
    void dtwFindsASentenceInsideARecording();
    void voicingTellsSpeechFromSilenceAndHiss();
    void alignmentTimesReportsMissingAndReordered_data();
    void alignmentTimesReportsMissingAndReordered();
    void grouping_data();
    void grouping();
    void bubbleHoldsOneHotspot();
    void rows_data();
    void rows();
    void frame_data();
    void frame();
    void badInput_data();
    void badInput();
    void draftOfASmallBook();
};

void tst_draft::dtwFollowsAStretchedSignal_data()
{
    QTest::addColumn<double>("stretch");
    QTest::newRow("same pace") << 1.0;
    QTest::newRow("slower") << 1.5;
    QTest::newRow("faster") << 0.7;
}

// Parts of 200 ms said at another pace: the path maps each part's start to the stretched start.
void tst_draft::dtwFollowsAStretchedSignal()
{
    QFETCH(double, stretch);
    const auto &parts = sentenceParts[2];
    const Speech a = chords(parts, 200);
    const Speech b = chords(parts, int(200 * stretch));
    const Dtw::Path path = Dtw::align(Mfcc::compute(a), Mfcc::compute(b));
    QVERIFY(!path.steps.empty());
    QCOMPARE(path.steps.front(), std::make_pair(0, 0));
    for (int part = 1; part < int(parts.size()); ++part) {
        const int frameOfA = part * 200 / Mfcc::hopMs;
        int mapped = -1;
        for (const auto &[i, j] : path.steps)
            if (i == frameOfA && mapped < 0)
                mapped = j;
        const double expected = part * 200 * stretch / Mfcc::hopMs;
        QVERIFY2(std::abs(mapped - expected) <= 3,
                 qPrintable(QStringLiteral("part %1 at frame %2, expected %3")
                                .arg(part)
                                .arg(mapped)
                                .arg(expected)));
    }
}

void tst_draft::dtwFindsASentenceInsideARecording()
{
    Speech recording = silence(500);
    append(recording, chords(sentenceParts[0], 180));
    append(recording, silence(400));
    append(recording, chords(sentenceParts[1], 180));
    append(recording, silence(600));
    addHiss(recording);
    const Mfcc within = Mfcc::compute(recording);
    const Dtw::Match match = Dtw::find(Mfcc::compute(chords(sentenceParts[1], 150)), within);
    const int begin = (500 + 4 * 180 + 400) / Mfcc::hopMs;
    QVERIFY2(std::abs(match.begin - begin) <= 4, qPrintable(QString::number(match.begin)));
    QVERIFY2(std::abs(match.end - (begin + 3 * 180 / Mfcc::hopMs)) <= 4,
             qPrintable(QString::number(match.end)));
    QVERIFY(match.meanCost < 0.7 * match.typicalCost);
    const Dtw::Match absent = Dtw::find(Mfcc::compute(chords(sentenceParts[2], 150)), within);
    QVERIFY(absent.meanCost / absent.typicalCost > match.meanCost / match.typicalCost);
}

void tst_draft::voicingTellsSpeechFromSilenceAndHiss()
{
    QVERIFY(!Voicing(silence(2000)).holdsSpeech());
    Speech hiss = silence(2000);
    std::mt19937 random(3);
    std::normal_distribution<float> noise(0.0f, 0.05f);
    for (float &sample : hiss)
        sample = noise(random);
    QVERIFY(!Voicing(hiss).holdsSpeech());

    Speech speech = silence(300);
    append(speech, chords(sentenceParts[0], 100));
    append(speech, silence(500));
    append(speech, chords(sentenceParts[1], 100));
    append(speech, silence(300));
    addHiss(speech);
    const Voicing voicing(speech);
    QVERIFY(voicing.holdsSpeech());
    QCOMPARE(voicing.stretches().size(), size_t(2));
    QVERIFY(std::abs(voicing.stretches()[0].first - 30) <= 2);
    QVERIFY(std::abs(voicing.stretches()[1].second - 30 - 40 - 50 - 30) <= 2);
}

void tst_draft::alignmentTimesReportsMissingAndReordered_data()
{
    QTest::addColumn<QList<int>>("heard");  // sentences in the recording, in the order heard
    QTest::addColumn<QList<int>>("status"); // Alignment::Timing::Status by sentence
    QTest::newRow("all in order") << QList<int>{0, 1, 2}
                                  << QList<int>{Alignment::Timing::Found, Alignment::Timing::Found,
                                                Alignment::Timing::Found};
    QTest::newRow("one missing") << QList<int>{0, 2}
                                 << QList<int>{Alignment::Timing::Found, Alignment::Timing::Missing,
                                               Alignment::Timing::Found};
    QTest::newRow("last read first")
        << QList<int>{2, 0, 1}
        << QList<int>{Alignment::Timing::Found, Alignment::Timing::Found,
                      Alignment::Timing::Reordered};
}

// Sentences of made-up sounds, the "synthesised" ones at another pace than the "read" ones.
void tst_draft::alignmentTimesReportsMissingAndReordered()
{
    QFETCH(QList<int>, heard);
    QFETCH(QList<int>, status);
    Speech recording = silence(400);
    std::map<int, std::pair<int, int>> spoken; // ms
    for (const int s : heard) {
        const int start = int(recording.size() * 1000 / rate);
        append(recording, chords(sentenceParts[s], 170));
        spoken[s] = {start, int(recording.size() * 1000 / rate)};
        append(recording, silence(350));
    }
    addHiss(recording);
    std::vector<Speech> sentences;
    for (const auto &parts : sentenceParts) {
        Speech synthesised = silence(100);
        append(synthesised, chords(parts, 140));
        append(synthesised, silence(200));
        sentences.push_back(synthesised);
    }
    const Alignment::Result result = Alignment::align(recording, sentences);
    QVERIFY(result.holdsSpeech);
    for (int s = 0; s < int(sentenceParts.size()); ++s) {
        const Alignment::Timing &timing = result.timings[size_t(s)];
        QCOMPARE(int(timing.status), status[s]);
        if (timing.status == Alignment::Timing::Missing) {
            QCOMPARE(timing.startMs, -1);
            continue;
        }
        QVERIFY2(std::abs(timing.startMs - (spoken[s].first - 40)) <= 30,
                 qPrintable(QStringLiteral("sentence %1 starts at %2, spoken from %3")
                                .arg(s)
                                .arg(timing.startMs)
                                .arg(spoken[s].first)));
        QVERIFY2(std::abs(timing.endMs - (spoken[s].second + 150)) <= 30,
                 qPrintable(QStringLiteral("sentence %1 ends at %2, spoken to %3")
                                .arg(s)
                                .arg(timing.endMs)
                                .arg(spoken[s].second)));
    }
    QCOMPARE(int(result.spoken.size()), int(heard.size()));
}

void tst_draft::grouping_data()
{
    QTest::addColumn<QList<OcrWord>>("words");
    QTest::addColumn<QStringList>("units");
    QTest::newRow("one line") << QList<OcrWord>{word(100, 200, 80, 30, u"Hello."_s),
                                                word(195, 200, 20, 30, u"I"_s),
                                                word(225, 200, 50, 30, u"am"_s),
                                                word(290, 200, 70, 30, u"Tom."_s)}
                              << QStringList{u"Hello. I am Tom."_s};
    QTest::newRow("a sentence wrapped in a bubble")
        << QList<OcrWord>{word(100, 200, 120, 30, u"Excuse"_s),
                          word(235, 200, 60, 30, u"me,"_s),
                          word(310, 200, 90, 34, u"where"_s),
                          word(110, 245, 60, 30, u"the"_s),
                          word(185, 245, 70, 36, u"post"_s),
                          word(270, 245, 110, 30, u"office?"_s)}
        << QStringList{u"Excuse me, where the post office?"_s};
    QTest::newRow("two sentences on two lines")
        << QList<OcrWord>{word(100, 200, 120, 30, u"Good"_s),
                          word(235, 200, 160, 30, u"morning."_s), word(100, 245, 60, 30, u"How"_s),
                          word(175, 245, 60, 30, u"are"_s), word(250, 245, 70, 30, u"you?"_s)}
        << QStringList{u"Good morning."_s, u"How are you?"_s};
    QTest::newRow("a sentence whose full stop was lost")
        << QList<OcrWord>{word(100, 200, 60, 30, u"The"_s),
                          word(175, 200, 60, 30, u"cat"_s),
                          word(250, 200, 80, 30, u"sleeps"_s),
                          word(100, 245, 60, 30, u"Be"_s),
                          word(175, 245, 80, 30, u"quiet,"_s),
                          word(270, 245, 110, 30, u"please."_s)}
        << QStringList{u"The cat sleeps"_s, u"Be quiet, please."_s};
    QTest::newRow("a line leading into the next")
        << QList<OcrWord>{word(100, 200, 60, 30, u"Ask"_s),     word(175, 200, 60, 30, u"your"_s),
                          word(250, 200, 90, 30, u"friend:"_s), word(100, 245, 80, 30, u"Where"_s),
                          word(195, 245, 40, 30, u"is"_s),      word(250, 245, 90, 30, u"Tom?"_s)}
        << QStringList{u"Ask your friend: Where is Tom?"_s};
    QTest::newRow("title above a sentence")
        << QList<OcrWord>{word(100, 150, 200, 60, u"Lesson"_s), word(320, 150, 40, 60, u"3"_s),
                          word(100, 225, 60, 25, u"Read"_s), word(170, 225, 50, 25, u"and"_s),
                          word(230, 225, 60, 25, u"say"_s)}
        << QStringList{u"Lesson 3"_s, u"Read and say"_s};
    QTest::newRow("the left page before the right, rows left to right")
        << QList<OcrWord>{word(1100, 150, 100, 30, u"Right"_s),
                          word(1210, 150, 100, 30, u"page."_s),
                          word(100, 400, 100, 30, u"Left"_s),
                          word(210, 400, 100, 30, u"below."_s),
                          word(500, 150, 100, 30, u"Second."_s),
                          word(100, 155, 100, 30, u"First."_s)}
        << QStringList{u"First."_s, u"Second."_s, u"Left below."_s, u"Right page."_s};
    QTest::newRow("marks in pictures, running heads and page numbers are left out")
        << QList<OcrWord>{word(100, 20, 100, 30, u"Unit"_s),
                          word(210, 20, 30, 30, u"1"_s),
                          word(100, 500, 40, 40, u"ill"_s, 76),
                          word(300, 500, 60, 40, u"WwW"_s, 42),
                          word(500, 500, 20, 40, u"V"_s, 92),
                          word(100, 300, 100, 30, u"Apple"_s, 97),
                          word(100, 960, 30, 30, u"12"_s)}
        << QStringList{u"Apple"_s};
    QTest::newRow("a bubble's edge read as a bracket does not run the bubble above on")
        << QList<OcrWord>{word(100, 200, 60, 30, u"The"_s),
                          word(175, 200, 60, 30, u"cat"_s),
                          word(250, 200, 80, 30, u"sleeps"_s),
                          word(100, 245, 60, 30, u"(Be"_s),
                          word(175, 245, 80, 30, u"quiet,"_s),
                          word(270, 245, 110, 30, u"please."_s)}
        << QStringList{u"The cat sleeps"_s, u"Be quiet, please."_s};
    QTest::newRow("a bubble's edge read as an I before a capital is left out")
        << QList<OcrWord>{word(80, 200, 10, 34, u"I"_s),      word(100, 200, 40, 30, u"My"_s),
                          word(155, 200, 80, 30, u"name"_s),  word(250, 200, 30, 30, u"is"_s),
                          word(295, 200, 70, 30, u"Lily."_s), word(100, 300, 20, 30, u"I"_s),
                          word(135, 300, 60, 30, u"like"_s),  word(210, 300, 60, 30, u"it."_s)}
        << QStringList{u"My name is Lily."_s, u"I like it."_s};
    QTest::newRow("the choices of an exercise far apart on one line are one unit")
        << QList<OcrWord>{word(100, 300, 30, 30, u"a."_s),     word(140, 300, 50, 30, u"the"_s),
                          word(200, 300, 90, 30, u"cinema"_s), word(450, 300, 30, 30, u"b."_s),
                          word(490, 300, 50, 30, u"the"_s),    word(550, 300, 80, 30, u"park"_s),
                          word(100, 400, 80, 30, u"Lily"_s),   word(450, 400, 80, 30, u"Sam"_s)}
        << QStringList{u"a. the cinema b. the park"_s, u"Lily"_s, u"Sam"_s};
}

void tst_draft::grouping()
{
    QFETCH(QList<OcrWord>, words);
    QFETCH(QStringList, units);
    QStringList got;
    for (const TextUnit &unit : TextUnits::group(words, QSize(2000, 1000)))
        got.append(unit.text);
    QCOMPARE(got, units);
}

namespace {

TextUnit unitAt(const QRect &words, const QString &text)
{
    TextUnit unit;
    unit.box = unit.words = words;
    unit.text = text;
    unit.confidence = 0.9;
    unit.lineHeight = words.height();
    unit.page = words.center().x() < 1000 ? 0 : 1;
    return unit;
}

void drawWords(QPainter &painter, const QRect &words)
{
    // Dark bars as wide as the words stand for them: the outline search only looks around.
    for (int x = words.left(); x < words.right(); x += 24)
        painter.fillRect(QRect(x, words.top() + 4, 16, words.height() - 8), QColor(40, 40, 40));
}

} // namespace

void tst_draft::bubbleHoldsOneHotspot()
{
    QImage page(2000, 1000, QImage::Format_RGB32);
    page.fill(QColor(255, 252, 240));
    QPainter painter(&page);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect bubble(300, 300, 420, 160);
    painter.setPen(QPen(QColor(30, 30, 30), 4));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(bubble, 30, 30);
    const QRect first(340, 330, 340, 40), second(360, 390, 300, 40), outside(300, 600, 300, 40);
    for (const QRect &words : {first, second, outside})
        drawWords(painter, words);
    painter.end();
    QList<TextUnit> units{unitAt(first, u"It's far from here."_s),
                          unitAt(second, u"It's on Park Street."_s),
                          unitAt(outside, u"Thank you."_s)};
    TextUnits::fitToSurroundings(units, page);
    QCOMPARE(units.size(), 2);
    QCOMPARE(units[0].text, u"It's far from here. It's on Park Street."_s);
    QVERIFY2(TextUnits::overlap(units[0].box, bubble) > 0.9, qPrintable(corners(units[0].box)));
    QCOMPARE(units[1].text, u"Thank you."_s);
    QVERIFY(!units[1].outlined);
}

void tst_draft::rows_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<bool>("tags");
    QTest::addColumn<bool>("spanned");
    QTest::newRow("a dialogue, each line after its speaker's tag")
        << QStringList{u"Is it far?"_s, u"No, it isn't."_s, u"Let's go!"_s} << true << true;
    QTest::newRow("a numbered exercise")
        << QStringList{u"1. Where is it?"_s, u"2. Who is it?"_s, u"3. What is it?"_s} << false
        << true;
    QTest::newRow("sentences one below another on plain paper")
        << QStringList{u"Is it far?"_s, u"No, it isn't."_s, u"Let's go!"_s} << false << false;
    QTest::newRow("one tagged line is no row") << QStringList{u"Is it far?"_s} << true << false;
    // The middle line's tag read as its first word: the line starts where the tags do.
    QTest::newRow("a dialogue with a tag read into its line")
        << QStringList{u"Is it far?"_s, u"Amy No, it isn't."_s, u"Let's go!"_s} << true << true;
}

void tst_draft::rows()
{
    QFETCH(QStringList, texts);
    QFETCH(bool, tags);
    QFETCH(bool, spanned);
    QImage page(2000, 1000, QImage::Format_RGB32);
    page.fill(QColor(255, 252, 240));
    QPainter painter(&page);
    QList<TextUnit> units;
    // The widest text on the page sets where its rows end.
    const QRect title(100, 100, 800, 60);
    drawWords(painter, title);
    units.append(unitAt(title, u"Lesson one"_s));
    for (qsizetype n = 0; n < texts.size(); ++n) {
        const bool readIn = texts[n].startsWith(u"Amy "_s);
        const QRect words(readIn ? 100 : 220, 300 + int(n) * 90, 300 + int(n) * 40, 40);
        if (tags && !readIn)
            painter.fillRect(QRect(100, words.top() - 4, 100, words.height() + 8),
                             QColor(40, 130, 210));
        drawWords(painter, words);
        units.append(unitAt(words, texts[n]));
    }
    painter.end();
    TextUnits::fitToSurroundings(units, page);
    const QList<TextUnit> fitted = units;
    TextUnits::spanRows(units, page);
    QCOMPARE(units.size(), fitted.size());
    for (qsizetype n = 1; n < units.size(); ++n) {
        if (!spanned) {
            QCOMPARE(units[n].box, fitted[n].box);
            continue;
        }
        QCOMPARE(units[n].box.right(), fitted[0].box.right());
        QVERIFY2(units[n].box.left() < (tags ? 100 : 221), qPrintable(corners(units[n].box)));
        QCOMPARE(units[n].box.top(), fitted[n].box.top());
    }
}

void tst_draft::frame_data()
{
    QTest::addColumn<QRect>("pixels");
    QTest::addColumn<QSize>("image");
    QTest::addColumn<QRect>("frame");
    QTest::newRow("the frame itself")
        << QRect(10, 20, 100, 50) << QSize(910, 580) << QRect(10, 20, 100, 50);
    QTest::newRow("twice the frame")
        << QRect(200, 280, 800, 100) << QSize(1820, 1160) << QRect(100, 140, 400, 50);
    QTest::newRow("a 4:3 scan") << QRect(0, 0, 1200, 900) << QSize(1200, 900)
                                << QRect(0, 0, 910, 580);
    QTest::newRow("clipped at the edge") << QRect(1700, 1100, 400, 200) << QSize(1820, 1160)
                                         << QRect(QPoint(850, 550), QPoint(909, 579));
}

void tst_draft::frame()
{
    QFETCH(QRect, pixels);
    QFETCH(QSize, image);
    QFETCH(QRect, frame);
    QCOMPARE(TextUnits::toFrame(pixels, image), frame);
}

void tst_draft::badInput_data()
{
    QTest::addColumn<QString>("page");      // blank, tiny, broken, text
    QTest::addColumn<QString>("recording"); // none, silence, broken, other
    QTest::addColumn<QString>("said");
    QTest::newRow("a page with no English text") << u"blank"_s << u"none"_s << u"no English text"_s;
    QTest::newRow("a tiny image") << u"tiny"_s << u"none"_s << u"too small"_s;
    QTest::newRow("an image that does not decode")
        << u"broken"_s << u"none"_s << u"image does not decode"_s;
    QTest::newRow("a recording of silence") << u"text"_s << u"silence"_s << u"holds no speech"_s;
    QTest::newRow("a recording that does not decode")
        << u"text"_s << u"broken"_s << u"recording does not decode"_s;
    QTest::newRow("a recording of another text")
        << u"text"_s << u"other"_s << u"not heard in the recording"_s;
}

void tst_draft::badInput()
{
    QFETCH(QString, page);
    QFETCH(QString, recording);
    QFETCH(QString, said);
    const DraftPrograms programs{programPath("ffmpeg"), programPath("espeak-ng")};
    if (programs.ffmpeg.isEmpty() || programs.espeak.isEmpty())
        QSKIP("needs ffmpeg and espeak-ng (scripts/setup.sh installs them)");
    QTemporaryDir dir;
    const QString image = dir.filePath(u"page.png"_s);
    if (page == u"broken") {
        QFile file(image);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\x89PNG\r\n\x1a\nnot really");
    } else {
        QImage picture(page == u"tiny" ? QSize(40, 25) : QSize(1200, 760), QImage::Format_RGB32);
        picture.fill(Qt::white);
        if (page == u"text") {
            QPainter painter(&picture);
            QFont font(u"DejaVu Sans"_s);
            font.setPixelSize(30);
            painter.setFont(font);
            painter.drawText(100, 200, u"The dog is under the table."_s);
        }
        QVERIFY(picture.save(image));
    }
    QString sound;
    if (recording != u"none") {
        sound = dir.filePath(u"sound.wav"_s);
        if (recording == u"broken") {
            QFile file(sound);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("RIFF\x10\0\0\0WAVEjunkjunkjunk", 24);
        } else {
            const QStringList arguments =
                recording == u"silence"
                    ? QStringList{u"-v"_s,    u"error"_s, u"-f"_s,
                                  u"lavfi"_s, u"-i"_s,    u"anullsrc=r=16000:cl=mono"_s,
                                  u"-t"_s,    u"3"_s,     sound}
                    : QStringList{u"-v"_s, u"error"_s, u"-i"_s, u"-"_s, sound};
            QByteArray input;
            if (recording == u"other") {
                QProcess espeak;
                espeak.start(programs.espeak,
                             {u"--stdout"_s, u"Seven green frogs jump into a muddy pond, "
                                             u"splash, splash, splash. Then they sing all "
                                             u"night long."_s});
                QVERIFY(espeak.waitForFinished(30000));
                input = espeak.readAllStandardOutput();
            }
            QProcess ffmpeg;
            ffmpeg.start(programs.ffmpeg, arguments);
            QVERIFY(ffmpeg.waitForStarted());
            ffmpeg.write(input);
            ffmpeg.closeWriteChannel();
            QVERIFY(ffmpeg.waitForFinished(30000));
            QCOMPARE(ffmpeg.exitCode(), 0);
        }
    }
    const SpreadDraft draft = draftSpread(image, sound, programs);
    QVERIFY2(draft.problems.join(u'\n').contains(said), qPrintable(draft.problems.join(u'\n')));
    if (page == u"text")
        QCOMPARE(draft.hotspots.size(), 1);
    for (const DraftHotspot &hotspot : draft.hotspots)
        QCOMPARE(hotspot.startTime, -1);
}

// The small book of the other tests, its hotspots drawn as bubbles with their English in them:
// the draft finds every one where the map has it and hears each where it is spoken, and keeps
// the old map as the backup. A spread whose recording is gone is drafted without times, and
// check reads the draft, missing only the texts.
void tst_draft::draftOfASmallBook()
{
    const DraftPrograms programs{programPath("ffmpeg"), programPath("espeak-ng")};
    if (programs.ffmpeg.isEmpty() || programs.espeak.isEmpty())
        QSKIP("needs ffmpeg and espeak-ng (scripts/setup.sh installs them)");
    QTemporaryDir dir;
    const SmallBook book(dir.path());
    QVERIFY2(book.ok(), qPrintable(book.error));
    const QStringList pages{u"pages/00.png"_s, u"pages/1.jpg"_s, u"pages/2.png"_s};
    const QStringList contentsEnglish{u"Lesson 1 Birds"_s, u"Lesson 2 My Bag"_s, u"Review"_s};
    for (int k = 0; k <= SmallBook::lastSpread; ++k) {
        QImage scan(book.path(pages[k]));
        QVERIFY(!scan.isNull());
        QPainter painter(&scan);
        painter.setRenderHint(QPainter::Antialiasing);
        const double sx = double(scan.width()) / spreadFrame.width();
        const double sy = double(scan.height()) / spreadFrame.height();
        for (qsizetype i = 0; i < book.spreads[k].size(); ++i) {
            const SmallBook::Item &item = book.spreads[k][i];
            const QRectF bubble(item.rect.left() * sx, item.rect.top() * sy,
                                (item.rect.width() - 1) * sx, (item.rect.height() - 1) * sy);
            painter.setPen(QPen(Qt::black, 3));
            painter.setBrush(Qt::white);
            painter.drawRoundedRect(bubble, 12, 12);
            const QString english = k ? item.english : contentsEnglish[i];
            QFont font(u"DejaVu Sans"_s);
            font.setPixelSize(int(bubble.height() * 0.4));
            while (QFontMetrics(font).horizontalAdvance(english) > bubble.width() * 0.85)
                font.setPixelSize(font.pixelSize() - 1);
            painter.setFont(font);
            painter.drawText(bubble, Qt::AlignCenter, english);
        }
        painter.end();
        QVERIFY(scan.save(book.path(pages[k])));
    }
    // The known map stays beside the draft as the backup; it is the truth here.
    DraftOptions options{programs, 2, false};
    const BookDraft refused = draftBook(book.folder, options);
    QVERIFY(refused.failure.contains(u"--force"_s));
    options.force = true;
    const BookDraft draft = draftBook(book.folder, options);
    QVERIFY2(draft.failure.isEmpty(), qPrintable(draft.failure));
    QFile backup(book.path(BookFolder::mapFile + DraftFiles::backupSuffix));
    QVERIFY(backup.open(QIODevice::ReadOnly));
    QCOMPARE(backup.readAll(), book.map());

    for (int k = 0; k <= SmallBook::lastSpread; ++k) {
        const SpreadDraft &spread = draft.spreads.at(k);
        QVERIFY2(spread.problems.isEmpty(), qPrintable(spread.problems.join(u'\n')));
        QCOMPARE(spread.hotspots.size(), book.spreads[k].size());
        std::optional<Speech> recording;
        if (k) {
            QString error;
            recording = decodeSpeech(programs.ffmpeg,
                                     book.path(BookFolder::recordingFile(k, u"mp3"_s)), &error);
            QVERIFY2(recording, qPrintable(error));
        }
        for (qsizetype i = 0; i < spread.hotspots.size(); ++i) {
            const SmallBook::Item &item = book.spreads[k][i];
            const DraftHotspot &hotspot = spread.hotspots[i];
            QVERIFY2(TextUnits::overlap(hotspot.rect, item.rect) >= 0.5,
                     qPrintable(QStringLiteral("spread %1 N_%2: %3 drafted, %4 true")
                                    .arg(k)
                                    .arg(i)
                                    .arg(corners(hotspot.rect), corners(item.rect))));
            if (!k) {
                QCOMPARE(hotspot.startTime, -1);
                continue;
            }
            // espeak-ng ends each sentence with some 300 ms of silence, which the known map
            // counts to the segment: the truth is the speech in it, with the draft's margins.
            const Voicing voicing(*recording);
            int first = -1, last = -1;
            for (int f = item.start / Voicing::frameMs; f < item.end / Voicing::frameMs; ++f) {
                if (f < voicing.frames() && voicing.voiced(f)) {
                    first = first < 0 ? f : first;
                    last = f + 1;
                }
            }
            QVERIFY(first >= 0);
            QVERIFY2(std::abs(hotspot.startTime - (first * Voicing::frameMs - 40)) <= 150,
                     qPrintable(QStringLiteral("N_%1 starts at %2, speech at %3")
                                    .arg(i)
                                    .arg(hotspot.startTime)
                                    .arg(first * Voicing::frameMs)));
            QVERIFY2(std::abs(hotspot.endTime - (last * Voicing::frameMs + 100)) <= 150,
                     qPrintable(QStringLiteral("N_%1 ends at %2, speech to %3")
                                    .arg(i)
                                    .arg(hotspot.endTime)
                                    .arg(last * Voicing::frameMs)));
        }
    }

    CheckOptions checking;
    checking.media = false;
    checking.progress = nullptr;
    const CheckResult checked = checkBook(book.folder, checking);
    int emptyTexts = 0;
    for (const Problem &problem : checked.problems.all()) {
        if (problem.toString().contains(u"TEXT"_s))
            ++emptyTexts;
        else
            QVERIFY2(problem.severity != Problem::Severity::Error, qPrintable(problem.toString()));
    }
    QCOMPARE(emptyTexts, 3 + 3 + 2);

    // Without its recording a spread is still drafted, without times, and says why.
    QVERIFY(QFile::remove(book.path(BookFolder::recordingFile(2, u"mp3"_s))));
    const BookDraft unheard = draftBook(book.folder, options);
    QVERIFY2(unheard.failure.isEmpty(), qPrintable(unheard.failure));
    const SpreadDraft &silent = unheard.spreads.at(2);
    QVERIFY2(silent.problems.join(u'\n').contains(u"no recording"_s),
             qPrintable(silent.problems.join(u'\n')));
    QCOMPARE(silent.hotspots.size(), book.spreads[2].size());
    for (const DraftHotspot &hotspot : silent.hotspots)
        QCOMPARE(hotspot.startTime, -1);
    QVERIFY(unheard.spreads.at(1).problems.isEmpty());
}

QTEST_MAIN(tst_draft)
#include "tst_draft.moc"
