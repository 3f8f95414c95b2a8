// The practice beyond a single pass: what was typed in the summary, a pass over only the
// wrong words, every answer kept in the history, the history view and the pass it starts,
// and practice that goes on when the history file is damaged.

#include "modal.h"
#include "scriptedplayer.h"
#include "words/historyview.h"
#include "words/word.h"
#include "words/wordjudgement.h"

#include <QChart>
#include <QChartView>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

struct Word
{
    QString english;
    QString meaning;
};

const QList<Word> unitWords{{u"bank"_s, u"银行"_s},
                            {u"park"_s, u"公园"_s},
                            {u"zoo"_s, u"动物园"_s},
                            {u"left"_s, u"左边"_s}};

// Word i of the list is spoken from i seconds to i + 1.
QString segmentOf(int i)
{
    return u"playSegment %1 %2"_s.arg(i * 1000).arg(i * 1000 + 1000);
}

QByteArray wordList()
{
    QString text = u"<BookWrod>\r\n<unit1>\r\n<NO m =\"%1\"/>\r\n"_s.arg(unitWords.size());
    for (int i = 0; i < unitWords.size(); ++i) {
        text += u"<N_%1 WORD=\"%2\" TEXT=\"%3\" STARTTIME=\"%4\" ENDTIME=\"%5\"/>\r\n"_s.arg(i)
                    .arg(unitWords[i].english, unitWords[i].meaning)
                    .arg(i * 1000)
                    .arg(i * 1000 + 1000);
    }
    text += u"</unit1>\r\n</BookWrod>\r\n"_s;
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

struct SummaryRow
{
    QString english;
    QString typed;
    QString mark;
};

enum class Leave { Again, WrongWordsOnly, Quit };

// Reads the summary when it shows and leaves it as asked.
void answerSummary(QList<SummaryRow> *rows, Leave how)
{
    whenModalShows([rows, how](QWidget *dialog) {
        auto *summary = qobject_cast<wordjudgement *>(dialog);
        if (!summary) {
            dialog->close();
            return;
        }
        auto *table = summary->findChild<QTableWidget *>();
        for (int row = 0; row < table->rowCount(); ++row) {
            rows->append({table->item(row, 0)->text(), table->item(row, 3)->text(),
                          table->item(row, 2)->text()});
        }
        const QString caption = how == Leave::Again            ? u"重新背一次"_s
                                : how == Leave::WrongWordsOnly ? u"只练错词"_s
                                                               : u"退出背单词"_s;
        const QList<QPushButton *> buttons = summary->findChildren<QPushButton *>();
        for (QPushButton *button : buttons) {
            if (button->text() == caption)
                button->click();
        }
    });
}

QPushButton *buttonCalled(const QWidget &parent, const QString &caption)
{
    const QList<QPushButton *> buttons = parent.findChildren<QPushButton *>();
    for (QPushButton *button : buttons) {
        if (button->text() == caption)
            return button;
    }
    return nullptr;
}

struct Reports
{
    QStringList messages;
    History::Report report()
    {
        return [this](const QString &message) { messages.append(message); };
    }
};

// A pass of unit 1 written straight into the history: `typed` answers to its words.
void writePass(History &history, const QStringList &typed)
{
    const qint64 pass = history.beginPass(1, int(unitWords.size()), true);
    for (int i = 0; i < typed.size(); ++i) {
        history.recordAnswer(pass, i, unitWords[i].english, typed[i],
                             typed[i] == unitWords[i].english);
    }
    history.finishPass(pass);
}

} // namespace

class TestPracticeHistory : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_modalWatch.start();
        m_reports.messages.clear();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        const QString list = m_dir->filePath(u"word.xml"_s);
        QFile file(list);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(wordList());
        file.close();
        m_historyFile = m_dir->filePath(u"data/history.sqlite"_s);
        m_players = std::make_unique<ScriptedPlayers>();
        m_view = std::make_unique<word>(
            nullptr, m_players->factory(),
            Content::Sources{.wordListPath = list, .contentDir = m_dir->path()});
        m_view->resize(1100, 723);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }

    void cleanup()
    {
        m_modalWatch.stop();
        QVERIFY2(m_modalWatch.stuck.isEmpty(),
                 qPrintable(u"left open: "_s + m_modalWatch.stuck.join(u", "_s)));
        m_view.reset();
        m_history.reset();
        m_players.reset();
        m_dir.reset();
    }

    void historyButtonOnlyWithHistory()
    {
        auto *button = m_view->findChild<QPushButton *>(u"history"_s);
        QVERIFY(button);
        QVERIFY(button->isHidden());
        keepHistory();
        QVERIFY(!button->isHidden());
        // It covers none of the practice's other controls.
        const QList<QWidget *> children =
            m_view->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
        for (QWidget *other : children) {
            if (other != button)
                QVERIFY2(!other->geometry().intersects(button->geometry()),
                         qPrintable(other->objectName()));
        }
        QVERIFY(m_view->rect().contains(button->geometry()));
        m_view->keepHistory(nullptr);
        QVERIFY(button->isHidden());
    }

    void summaryShowsWhatWasTyped()
    {
        QList<SummaryRow> rows;
        start();
        answer(u"bank"_s);
        answer(u"prak"_s);
        answer(u"Zoo "_s);
        answerSummary(&rows, Leave::Quit);
        answer(u"left"_s);
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[0].typed, QString());
        QCOMPARE(rows[1].typed, u"prak"_s);
        QCOMPARE(rows[2].typed, u"Zoo "_s);
        QCOMPARE(rows[3].typed, QString());
        QCOMPARE(rows[1].mark, u"\u00D7"_s);
    }

    // "只练错词" goes through the wrong words only, in the unit's order, and offers the same
    // again from their own summary; "重新背一次" after it repeats those words.
    void passOverOnlyTheWrongWords()
    {
        QSignalSpy left(m_view.get(), &word::qutword);
        QList<SummaryRow> first;
        start();
        answer(u"bank"_s);
        answer(u"prak"_s);
        answer(u"zo"_s);
        answerSummary(&first, Leave::WrongWordsOnly);
        answer(u"left"_s);
        QCOMPARE(first.size(), 4);
        QCOMPARE(meaning(), u"公园"_s);
        QCOMPARE(counts(), u"0/0"_s);

        // The first wrong word is spoken when the feedback sound ends.
        const qsizetype mark = wordPlayer()->calls.size();
        wrongPlayer()->playToEnd();
        QCOMPARE(wordPlayer()->calls.mid(mark).filter(u"playSegment"_s), QStringList{segmentOf(1)});

        QList<SummaryRow> second;
        answer(u"park"_s);
        answerSummary(&second, Leave::Again);
        answer(u"zoo"_s);
        QCOMPARE(second.size(), 2);
        QCOMPARE(second[0].english, u"park"_s);
        QCOMPARE(second[1].english, u"zoo"_s);
        QCOMPARE(second[1].mark, u"\u221A"_s);
        QCOMPARE(meaning(), u"公园"_s);

        QList<SummaryRow> third;
        answer(u"park"_s);
        answerSummary(&third, Leave::Quit);
        answer(u"zoo"_s);
        QCOMPARE(third.size(), 2);
        QCOMPARE(left.size(), 1);
    }

    void passesAreKept()
    {
        keepHistory();
        QList<SummaryRow> rows;
        start();
        answer(u"bank"_s);
        answer(u"prak"_s);
        answer(u"zo"_s);
        answerSummary(&rows, Leave::WrongWordsOnly);
        answer(u"left"_s);
        answer(u"park"_s);
        answerSummary(&rows, Leave::Quit);
        answer(u"zoo"_s);

        History readBack("A", m_historyFile);
        const QList<History::Pass> passes = readBack.passes(1);
        QCOMPARE(passes.size(), 2);
        QVERIFY(passes[0].finished);
        QVERIFY(passes[0].wholeUnit);
        QCOMPARE(passes[0].words, 4);
        QCOMPARE(passes[0].right, 2);
        QVERIFY(passes[1].finished);
        QVERIFY(!passes[1].wholeUnit);
        QCOMPARE(passes[1].words, 2);
        QCOMPARE(passes[1].right, 2);
        const QList<History::WrongWord> wrong = readBack.mostOftenWrong(1, 10);
        QCOMPARE(wrong.size(), 2);
        QCOMPARE(wrong[0].english, u"park"_s);
        QVERIFY(m_reports.messages.isEmpty());
    }

    // Entering and leaving keeps nothing; leaving halfway keeps the answers given.
    void leavingHalfwayLeavesThePassUnfinished()
    {
        keepHistory();
        m_view->enterpractice();
        m_view->leavepractice();
        QVERIFY(m_history->passes(1).isEmpty());
        start();
        answer(u"bank"_s);
        answer(u"prak"_s);
        m_view->leavepractice();
        m_view->enterpractice();
        const QList<History::Pass> passes = m_history->passes(1);
        QCOMPARE(passes.size(), 1);
        QVERIFY(!passes[0].finished);
        QCOMPARE(passes[0].answered, 2);
    }

    void damagedHistoryIsToldOnceAndPracticeGoesOn()
    {
        QVERIFY(QDir().mkpath(QFileInfo(m_historyFile).absolutePath()));
        QFile file(m_historyFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(5000, '\x07'));
        file.close();
        keepHistory();
        // Told as practice opens, before the child types.
        m_view->enterpractice();
        QCOMPARE(m_reports.messages.size(), 1);

        for (int pass = 0; pass < 2; ++pass) {
            QList<SummaryRow> rows;
            start();
            answer(u"bank"_s);
            answer(u"prak"_s);
            answer(u"zoo"_s);
            answerSummary(&rows, Leave::Quit);
            answer(u"left"_s);
            QCOMPARE(rows.size(), 4);
            QCOMPARE(rows[1].typed, u"prak"_s);
        }
        QCOMPARE(m_reports.messages.size(), 1);
        QVERIFY(m_reports.messages[0].contains(u"坏了"_s));

        // The history view says so too, and offers nothing.
        whenModalShows([](QWidget *dialog) {
            auto *view = qobject_cast<HistoryView *>(dialog);
            QVERIFY(view);
            const QList<QLabel *> labels = view->findChildren<QLabel *>();
            QVERIFY(std::any_of(labels.begin(), labels.end(),
                                [](QLabel *label) { return label->text().contains(u"用不了"_s); }));
            QVERIFY(!buttonCalled(*view, u"练这些词"_s)->isEnabled());
            view->close();
        });
        historyButton()->click();
        QCOMPARE(m_reports.messages.size(), 1);
    }

    // The view charts the finished passes and lists the words most often wrong; "练这些词"
    // starts a pass over them at once, in the unit's order.
    void historyViewStartsAPassOverTheWordsMostOftenWrong()
    {
        keepHistory();
        writePass(*m_history, {u"bank"_s, u"prak"_s, u"zo"_s, u"left"_s});
        writePass(*m_history, {u"bank"_s, u"park"_s, u"zo"_s, u"left"_s});
        writePass(*m_history, {u"bank"_s, u"park"_s, u"zoo"_s, u"lft"_s});
        const qint64 unfinished = m_history->beginPass(1, 4, true);
        m_history->recordAnswer(unfinished, 0, u"bank"_s, u"bnk"_s, false);
        m_view->enterpractice();

        QStringList listed;
        qsizetype wholePoints = -1;
        qsizetype chosenPoints = -1;
        QString summaryText;
        whenModalShows([&](QWidget *dialog) {
            auto *view = qobject_cast<HistoryView *>(dialog);
            if (!view) {
                dialog->close();
                return;
            }
            auto *table = view->findChild<QTableWidget *>();
            for (int row = 0; row < table->rowCount(); ++row)
                listed << table->item(row, 0)->text() + u':' + table->item(row, 1)->text();
            QChart *chart = view->findChild<QChartView *>()->chart();
            for (QAbstractSeries *series : chart->series()) {
                if (auto *line = qobject_cast<QLineSeries *>(series);
                    line && !qobject_cast<QScatterSeries *>(series))
                    wholePoints = line->count();
                else if (auto *points = qobject_cast<QScatterSeries *>(series))
                    chosenPoints = points->count();
            }
            summaryText = view->findChildren<QLabel *>().value(0)->text();
            buttonCalled(*view, u"练这些词"_s)->click();
        });
        const qsizetype mark = wordPlayer()->calls.size();
        historyButton()->click();

        QCOMPARE(listed, (QStringList{u"zoo:2"_s, u"bank:1"_s, u"left:1"_s, u"park:1"_s}));
        QCOMPARE(wholePoints, 3);
        QCOMPARE(chosenPoints, 0);
        QVERIFY2(summaryText.contains(u"另有 1 次没做完"_s), qPrintable(summaryText));
        // Running at once on the first of them in the unit's order.
        QCOMPARE(wordPlayer()->calls.mid(mark).filter(u"playSegment"_s), QStringList{segmentOf(0)});
        QCOMPARE(meaning(), u"银行"_s);
        // The keyboard goes to the answer as the practice gets it back from the view.
        QCOMPARE(m_view->focusWidget(), m_view->findChild<QLineEdit *>());
        QList<SummaryRow> rows;
        answer(u"bank"_s);
        answer(u"park"_s);
        answer(u"zoo"_s);
        answerSummary(&rows, Leave::Quit);
        answer(u"left"_s);
        QCOMPARE(rows.size(), 4);
    }

    void historyViewOfAUnitWithoutPasses()
    {
        keepHistory();
        bool practiseEnabled = true;
        QString summaryText;
        whenModalShows([&](QWidget *dialog) {
            practiseEnabled = buttonCalled(*dialog, u"练这些词"_s)->isEnabled();
            summaryText = dialog->findChildren<QLabel *>().value(0)->text();
            buttonCalled(*dialog, u"关闭"_s)->click();
        });
        const qsizetype mark = wordPlayer()->calls.size();
        historyButton()->click();
        QVERIFY(!practiseEnabled);
        QVERIFY2(summaryText.contains(u"还没有"_s), qPrintable(summaryText));
        QCOMPARE(wordPlayer()->calls.size(), mark);
    }

private:
    ScriptedPlayer *wordPlayer() const { return m_players->made.at(0); }
    ScriptedPlayer *wrongPlayer() const { return m_players->made.at(2); }
    QPushButton *historyButton() const { return m_view->findChild<QPushButton *>(u"history"_s); }
    QString meaning() const
    {
        // The meaning label is the one showing a unit word's meaning.
        const QList<QLabel *> labels = m_view->findChildren<QLabel *>();
        for (QLabel *label : labels) {
            for (const Word &w : unitWords) {
                if (label->text() == w.meaning)
                    return w.meaning;
            }
        }
        return {};
    }
    QString counts() const
    {
        // The right and the wrong count are the two labels of one number.
        QStringList numbers;
        const QList<QLabel *> labels = m_view->findChildren<QLabel *>();
        for (QLabel *label : labels) {
            bool isNumber = false;
            label->text().toInt(&isNumber);
            if (isNumber)
                numbers << label->text();
        }
        return numbers.join(u'/');
    }

    void keepHistory()
    {
        m_history = std::make_unique<History>("A", m_historyFile, m_reports.report());
        m_view->keepHistory(m_history.get());
    }
    void start()
    {
        m_view->enterpractice();
        buttonCalled(*m_view, u"出发"_s)->click();
    }
    void answer(const QString &text)
    {
        auto *edit = m_view->findChild<QLineEdit *>();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_historyFile;
    Reports m_reports;
    std::unique_ptr<History> m_history;
    std::unique_ptr<ScriptedPlayers> m_players;
    std::unique_ptr<word> m_view;
    StuckModalWatch m_modalWatch;
};

QTEST_MAIN(TestPracticeHistory)
#include "tst_practicehistory.moc"
