// What a child hears: a click on a hotspot of a book made by mvrbook, played by the real
// players at a private sound server whose sink the test records. Each click must sound the
// recording's own stretch for that hotspot, all of its sentence and nothing from outside it:
// the made audio seeks exactly, and the segment ends where the map says.

#include "book/bookface.h"
#include "tools/mvrbook/bookcheck.h"
#include "tools/mvrbook/bookmaker.h"
#include "tools/mvrbook/loudness.h"
#include "tools/mvrbook/measurecache.h"

#include "smallbook.h"
#include "soundserver.h"

#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

namespace {

constexpr int stepMs = Loudness::stepMs;
// After a segment's end the next poll of the segment timer stops it; the pause that follows
// in the recording is silent, so listening this long after it shows anything that ran on.
constexpr int listenAfterMs = 1200;

// Levels in 10 ms steps, floored at 60 dB below full scale, for lining up two recordings.
QList<double> levels(const Loudness &loudness)
{
    QList<double> steps;
    for (qint64 at = 0; at + stepMs <= loudness.durationMs(); at += stepMs)
        steps.append(std::max(loudness.loudestDb(at, at + stepMs), -60.0) + 60.0);
    return steps;
}

bool isSound(double level)
{
    return level - 60.0 >= Loudness::silenceDb;
}

// Where in `whole` the steps `first` to `last` of `part` fit best: the step of `whole` that
// lines up with step 0 of `part`, and how well (correlation, 1 at best).
std::pair<qsizetype, double> bestFit(const QList<double> &part, qsizetype first, qsizetype last,
                                     const QList<double> &whole)
{
    std::pair<qsizetype, double> best{0, -1.0};
    const double n = double(last - first + 1);
    for (qsizetype lag = -first; lag + last < whole.size(); ++lag) {
        double ab = 0, aa = 0, bb = 0, sa = 0, sb = 0;
        for (qsizetype s = first; s <= last; ++s) {
            const double a = part[s];
            const double b = whole[s + lag];
            sa += a;
            sb += b;
            ab += a * b;
            aa += a * a;
            bb += b * b;
        }
        const double spread = std::sqrt((aa - sa * sa / n) * (bb - sb * sb / n));
        const double r = spread > 0 ? (ab - sa * sb / n) / spread : 0;
        if (r > best.second)
            best = {lag, r};
    }
    return best;
}

} // namespace

class TestMvrbookSound : public QObject
{
    Q_OBJECT

private:
    SoundServer m_server;
    QTemporaryDir m_dir;
    std::unique_ptr<SmallBook> m_book;
    QString m_out;
    QMap<int, QList<double>> m_madeLevels; // of each spread's made audio

private slots:
    void initTestCase()
    {
        const QString problem = m_server.start();
        if (!problem.isEmpty())
            QSKIP(qPrintable(QStringLiteral("no private sound server: ") + problem));
        m_book = std::make_unique<SmallBook>(m_dir.filePath(QStringLiteral("book")));
        QVERIFY2(m_book->ok(), qPrintable(m_book->error));
        CheckOptions checking;
        checking.programs = Programs::find();
        checking.progress = nullptr;
        const CheckResult checked = checkBook(m_book->folder, checking);
        QCOMPARE(checked.problems.errors(), 0);
        m_out = m_dir.filePath(QStringLiteral("out"));
        MakeOptions making;
        making.outDir = m_out;
        making.stateDir = m_dir.filePath(QStringLiteral("state"));
        making.programs = checking.programs;
        making.progress = nullptr;
        QVERIFY(makeBook(m_book->folder, checked.plan, making).failures.isEmpty());
        for (int k = 1; k <= SmallBook::lastSpread; ++k) {
            QString why;
            const auto made = Loudness::measure(
                checking.programs.ffmpeg, Content::spreadAudio(m_out, k), MeasureCache({}), &why);
            QVERIFY2(made, qPrintable(why));
            m_madeLevels[k] = levels(*made);
        }
    }

    void eachClickIsHeardInsideItsSegment_data()
    {
        QTest::addColumn<int>("spread");
        QTest::addColumn<int>("index");
        for (int k = 1; k <= SmallBook::lastSpread; ++k) {
            for (int i = 0; i < m_book->spreads[k].size(); ++i)
                QTest::addRow("spread %d N_%d", k, i) << k << i;
        }
    }

    void eachClickIsHeardInsideItsSegment()
    {
        QFETCH(int, spread);
        QFETCH(int, index);
        const SmallBook::Item &item = m_book->spreads[spread][index];
        bookface view(nullptr, AudioPlayer::factory(), m_book->sources(m_out));
        view.resize(910, 580);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        while (view.currentSpread() < spread)
            view.setBookNowNext();

        const QPoint centre = item.rect.center();
        QTest::mouseMove(&view, centre);
        const qint64 click = m_server.now();
        QTest::mouseClick(&view, Qt::LeftButton, {}, centre);
        const qint64 until = click + (item.end - item.start) + listenAfterMs;
        QTRY_VERIFY_WITH_TIMEOUT(m_server.now() > until + 200, int(until - click) + 5000);
        const QByteArray samples = m_server.recorded(click, until);
        const QList<double> heard =
            levels(Loudness::fromSamples(reinterpret_cast<const qint16 *>(samples.constData()),
                                         samples.size() / 2, SoundServer::rate));

        qsizetype first = -1;
        qsizetype last = -1;
        for (qsizetype s = 0; s < heard.size(); ++s) {
            if (isSound(heard[s])) {
                last = s;
                first = first < 0 ? s : first;
            }
        }
        QVERIFY2(first >= 0, "nothing was heard");
        const QList<double> &made = m_madeLevels.value(spread);
        const auto [lag, fit] = bestFit(heard, first, last, made);
        const qint64 heardFrom = (first + lag) * stepMs;
        const qint64 heardTo = (last + 1 + lag) * stepMs;
        qInfo("heard %lld-%lld ms of the recording (segment %d-%d, fit %.2f), from %lld ms "
              "after the click",
              heardFrom, heardTo, item.start, item.end, fit, first * stepMs);
        QVERIFY2(fit > 0.8, "what was heard is like no stretch of the recording");

        // Nothing from before or after the segment, and all of its sentence.
        qsizetype spokenFrom = item.end / stepMs;
        qsizetype spokenTo = item.start / stepMs;
        for (qsizetype s = item.start / stepMs; s < item.end / stepMs && s < made.size(); ++s) {
            if (isSound(made[s])) {
                spokenFrom = std::min(spokenFrom, s);
                spokenTo = s + 1;
            }
        }
        QVERIFY(heardFrom >= item.start - 2 * stepMs);
        QVERIFY(heardTo <= item.end + 2 * stepMs);
        QVERIFY(heardFrom <= (spokenFrom + 3) * stepMs);
        QVERIFY(heardTo >= (spokenTo - 3) * stepMs);
    }
};

QTEST_MAIN(TestMvrbookSound)
#include "tst_mvrbooksound.moc"
