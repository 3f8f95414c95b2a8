#include "modal.h"
#include "scriptedplayer.h"
#include "words/word.h"
#include "words/wordjudgement.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

struct ListWord
{
    QString english;
    QString meaning;
    int start;
    int end;
};

// Unit 1 has the shape of the book's own unit: 25 words, with capitals and a blank among
// them. Unit 2 is short, and its first segment lasts 40 ms so that its timer ends soon.
// Unit 4 holds segments that do not end after they start. Units 3, 5 and 6 are absent.
QList<ListWord> unit1Words()
{
    QList<ListWord> words = {
        {u"science"_s, u"科学"_s, 0, 4000},
        {u"GPS"_s, u"全球定位系统"_s, 4000, 7600},
        {u"post office"_s, u"邮局"_s, 11200, 16100},
        {u"Italian"_s, u"意大利的"_s, 16100, 20500},
    };
    const QStringList english{u"museum"_s,    u"library"_s,      u"cinema"_s,     u"hospital"_s,
                              u"bookstore"_s, u"crossing"_s,     u"turn left"_s,  u"straight"_s,
                              u"feature"_s,   u"follow"_s,       u"far"_s,        u"tomorrow"_s,
                              u"next week"_s, u"this morning"_s, u"dictionary"_s, u"comic book"_s,
                              u"word book"_s, u"postcard"_s,     u"lesson"_s,     u"map"_s,
                              u"tell"_s};
    const QStringList meaning{
        u"博物馆"_s, u"图书馆"_s, u"电影院"_s, u"医院"_s,   u"书店"_s, u"十字路口"_s, u"向左转"_s,
        u"笔直地"_s, u"特点"_s,   u"跟着"_s,   u"远的"_s,   u"明天"_s, u"下周"_s,     u"今天早上"_s,
        u"词典"_s,   u"漫画书"_s, u"单词书"_s, u"明信片"_s, u"课"_s,   u"地图"_s,     u"告诉"_s};
    for (int i = 0; i < english.size(); ++i) {
        const int start = 20500 + i * 6000;
        words.append({english.at(i), meaning.at(i), start, start + 4000});
    }
    words.last().start = 141000;
    words.last().end = 145700;
    return words;
}

QList<ListWord> unit2Words()
{
    return {{u"apple"_s, u"苹果"_s, 200000, 200040},
            {u"banana"_s, u"香蕉"_s, 201000, 202000},
            {u"pear"_s, u"梨"_s, 203000, 204000}};
}

QList<ListWord> unit4Words()
{
    return {{u"zero"_s, u"零"_s, 5000, 5000},
            {u"back"_s, u"向后"_s, 6000, 5500},
            {u"fine"_s, u"好的"_s, 7000, 8000}};
}

QString unitElement(const QString &tag, const QList<ListWord> &words)
{
    QString text = QStringLiteral("<%1>\n<NO m =\"%2\"/>\n").arg(tag).arg(words.size());
    for (int i = 0; i < words.size(); ++i) {
        const ListWord &w = words.at(i);
        text += QStringLiteral("<N_%1 WORD=\"%2\" TEXT=\"%3\" STARTTIME=\"%4\" ENDTIME=\"%5\"/>\n")
                    .arg(i)
                    .arg(w.english, w.meaning)
                    .arg(w.start)
                    .arg(w.end);
    }
    return text + QStringLiteral("</%1>\n").arg(tag);
}

QByteArray wordList(const QList<ListWord> &unit1)
{
    QString text = u"<BookWrod>\n"_s + unitElement(u"unit1"_s, unit1) +
                   unitElement(u"unit2"_s, unit2Words()) + unitElement(u"unit4"_s, unit4Words()) +
                   u"</BookWrod>\n"_s;
    text.replace(u'\n', u"\r\n"_s);
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

struct SummaryRow
{
    QString english;
    QString meaning;
    QString mark;
    QColor background;
    bool blackText = false;
};

struct SummarySeen
{
    bool shown = false;
    QWidget *parent = nullptr;
    QList<SummaryRow> rows;
};

enum class Leave { Again, Quit, Close, Escape };

// Reads the summary dialog when it shows, runs `inside` while it is up, then leaves it.
void answerSummary(SummarySeen *seen, Leave how, std::function<void()> inside = {})
{
    whenModalShows([seen, how, inside = std::move(inside)](QWidget *dialog) {
        auto *summary = qobject_cast<wordjudgement *>(dialog);
        if (!summary) {
            dialog->close();
            return;
        }
        seen->shown = true;
        seen->parent = summary->parentWidget();
        auto *table = summary->findChild<QTableWidget *>();
        for (int row = 0; row < table->rowCount(); ++row) {
            SummaryRow r;
            r.english = table->item(row, 0)->text();
            r.meaning = table->item(row, 1)->text();
            r.mark = table->item(row, 2)->text();
            r.background = table->item(row, 0)->background().color();
            r.blackText = table->item(row, 0)->data(Qt::ForegroundRole).isValid() &&
                          table->item(row, 0)->foreground().color() == QColor(0, 0, 0);
            seen->rows << r;
        }
        if (inside)
            inside();

        const auto press = [summary](const QString &caption) {
            const QList<QPushButton *> buttons = summary->findChildren<QPushButton *>();
            for (QPushButton *button : buttons) {
                if (button->text() == caption)
                    button->click();
            }
        };
        switch (how) {
        case Leave::Again:
            press(u"重新背一次"_s);
            break;
        case Leave::Quit:
            press(u"退出背单词"_s);
            break;
        case Leave::Close:
            summary->close();
            break;
        case Leave::Escape:
            QTest::keyClick(summary, Qt::Key_Escape);
            break;
        }
    });
}

// Receives the keys that its children pass on.
class KeyRecorder : public QWidget
{
public:
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent *event) override { keys << event->key(); }
};

QStringList since(const ScriptedPlayer *player, qsizetype mark)
{
    return player->calls.mid(mark);
}

} // namespace

class TestWord : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void unitnames();
    void constructionState();
    void widgetLooks_data();
    void widgetLooks();
    void paintsBackground();

    void startSpeaksFirstWord();
    void answerCheck_data();
    void answerCheck();
    void returnAndEnterSubmit_data();
    void returnAndEnterSubmit();
    void checkButtonSubmits();
    void otherKeysStopAtView_data();
    void otherKeysStopAtView();
    void emptyAnswerReplaysWord();
    void enterBeforeStart_data();
    void enterBeforeStart();
    void feedbackEndSpeaksNextWord_data();
    void feedbackEndSpeaksNextWord();
    void answerDuringFeedback();
    void segmentTimerEndsWord();
    void playerEndStopsTheBackstop();
    void answerHasTheKeyboard();
    void degenerateSegmentPlaysNothing_data();
    void degenerateSegmentPlaysNothing();

    void fullPassSummary();
    void againSpeaksFirstWordAfterFeedback_data();
    void againSpeaksFirstWordAfterFeedback();
    void leavingSummary_data();
    void leavingSummary();

    void unitInReady();
    void unitInRunning();
    void sameUnitChangesNothing();
    void leaveAndEnterAgain();

    void emptyUnitReady();
    void emptyUnitDuringPass();
    void unitBoxOffersTheBooksUnits_data();
    void unitBoxOffersTheBooksUnits();
    void aUnitWithoutWordsSaysSo();
    void unreadableListCarriesOnEmpty();

private:
    ScriptedPlayer *wordPlayer() const { return m_players->made.at(0); }
    ScriptedPlayer *rightPlayer() const { return m_players->made.at(1); }
    ScriptedPlayer *wrongPlayer() const { return m_players->made.at(2); }
    QWidget *child(const QString &name) const;

    void start();
    void answer(const QString &text);
    void chooseUnit(int entry) { m_view->m_unitBox->setCurrentIndex(entry); }
    QString meaning() const { return m_view->m_meaningLabel->text(); }
    QString feedback() const { return m_view->m_feedbackLabel->text(); }
    QString counts() const
    {
        return m_view->m_rightLabel->text() + u'/' + m_view->m_wrongLabel->text();
    }
    bool ready() const
    {
        return !m_view->m_startButton->isHidden() && m_view->m_nextButton->isHidden() &&
               !m_view->m_answerEdit->isEnabled();
    }
    bool running() const
    {
        return m_view->m_startButton->isHidden() && !m_view->m_nextButton->isHidden() &&
               m_view->m_answerEdit->isEnabled();
    }

    // The book of a test: its word list, and audio from the test's own directory.
    Content::Sources sources(const QString &listPath) const
    {
        return {.wordListPath = listPath, .contentDir = m_dir->path()};
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_listPath;
    std::unique_ptr<ScriptedPlayers> m_players;
    std::unique_ptr<word> m_view;
    // A box or summary that no test step answers would block the test until ctest kills it;
    // the watch closes it after a while and fails the test instead.
    StuckModalWatch m_modalWatch;
};

void TestWord::initTestCase()
{
    QCOMPARE(unit1Words().size(), 25);
}

void TestWord::init()
{
    m_modalWatch.start();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_listPath = m_dir->filePath(u"word.xml"_s);
    QVERIFY(writeFile(m_listPath, wordList(unit1Words())));

    m_players = std::make_unique<ScriptedPlayers>();
    m_view = std::make_unique<word>(nullptr, m_players->factory(), sources(m_listPath));
    m_view->resize(1100, 723);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
}

void TestWord::cleanup()
{
    m_modalWatch.stop();
    QVERIFY2(m_modalWatch.stuck.isEmpty(),
             qPrintable(u"left open: "_s + m_modalWatch.stuck.join(u", "_s)));
    m_view.reset();
    m_players.reset();
    m_dir.reset();
}

QWidget *TestWord::child(const QString &name) const
{
    const std::map<QString, QWidget *> children{
        {u"startButton"_s, m_view->m_startButton},    {u"nextButton"_s, m_view->m_nextButton},
        {u"backButton"_s, m_view->m_backButton},      {u"rightLabel"_s, m_view->m_rightLabel},
        {u"wrongLabel"_s, m_view->m_wrongLabel},      {u"unitBox"_s, m_view->m_unitBox},
        {u"meaningLabel"_s, m_view->m_meaningLabel},  {u"answerEdit"_s, m_view->m_answerEdit},
        {u"feedbackLabel"_s, m_view->m_feedbackLabel}};
    return children.at(name);
}

void TestWord::start()
{
    m_view->enterpractice();
    QTest::mouseClick(m_view->m_startButton, Qt::LeftButton);
}

void TestWord::answer(const QString &text)
{
    QTest::keyClicks(m_view->m_answerEdit, text);
    QTest::keyClick(m_view->m_answerEdit, Qt::Key_Return);
}

void TestWord::unitnames()
{
    QCOMPARE(word::unitnames(), (QStringList{u"第一单元"_s, u"第二单元"_s, u"第三单元"_s,
                                             u"第四单元"_s, u"第五单元"_s, u"第六单元"_s}));
}

void TestWord::constructionState()
{
    QCOMPARE(m_players->made.size(), 3);
    QCOMPARE(wordPlayer()->source, QString());
    QVERIFY(wordPlayer()->calls.isEmpty());
    QCOMPARE(rightPlayer()->source, u":/Image/audio/wordright.wav"_s);
    QCOMPARE(wrongPlayer()->source, u":/Image/audio/worderr.wav"_s);
    QVERIFY(!rightPlayer()->playing && !wrongPlayer()->playing);

    QComboBox *units = m_view->m_unitBox;
    QCOMPARE(units->count(), 6);
    for (int i = 0; i < 6; ++i)
        QCOMPARE(units->itemText(i), word::unitnames().at(i));
    QCOMPARE(units->currentIndex(), 0);

    QVERIFY(ready());
    QCOMPARE(m_view->m_startButton->text(), u"出发"_s);
    QCOMPARE(m_view->m_nextButton->objectName(), u"nextword"_s);
    QCOMPARE(m_view->m_nextButton->text(), QString());
    QCOMPARE(m_view->backButton(), m_view->findChild<QPushButton *>(u"goback"_s));
    QCOMPARE(m_view->backButton()->text(), QString());
    QVERIFY(!m_view->backButton()->isHidden());
    QCOMPARE(m_view->m_answerEdit->text(), QString());
    QCOMPARE(meaning(), u"科学"_s);
    QCOMPARE(feedback(), QString());
    QCOMPARE(counts(), u"0/0"_s);
    QVERIFY(!m_view->m_segmentTimer->isActive());
    QVERIFY(!m_view->m_segmentTimer->isSingleShot());
}

void TestWord::widgetLooks_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("family"); // empty: the default font
    QTest::addColumn<int>("pointSize");
    QTest::addColumn<int>("pixelSize");
    QTest::addColumn<int>("weight");
    QTest::addColumn<int>("role"); // -1: the default palette
    QTest::addColumn<QColor>("colour");

    const int bold = QFont::Bold;
    const int none = -1;
    QTest::newRow("start button") << u"startButton"_s << QRect(818, 204, 90, 36) << u"黑体"_s << 20
                                  << none << bold << int(QPalette::ButtonText)
                                  << QColor(0xC8, 0x64, 0x64);
    QTest::newRow("check button") << u"nextButton"_s << QRect(818, 204, 90, 36) << QString() << none
                                  << none << none << none << QColor();
    QTest::newRow("back button") << u"backButton"_s << QRect(874, 572, 90, 36) << QString() << none
                                 << none << none << none << QColor();
    QTest::newRow("right count") << u"rightLabel"_s << QRect(334, 350, 50, 50) << u"楷体"_s << 32
                                 << none << bold << int(QPalette::WindowText) << QColor(Qt::blue);
    QTest::newRow("wrong count") << u"wrongLabel"_s << QRect(334, 415, 50, 50) << u"楷体"_s << 32
                                 << none << bold << int(QPalette::WindowText) << QColor(Qt::red);
    QTest::newRow("unit box") << u"unitBox"_s << QRect(890, 75, 110, 35) << u"楷体"_s << none << 20
                              << int(QFont::Normal) << none << QColor();
    QTest::newRow("meaning") << u"meaningLabel"_s << QRect(414, 283, 379, 44) << u"楷体"_s << none
                             << 30 << bold << int(QPalette::WindowText) << QColor(0x2F, 0x4F, 0x4F);
    QTest::newRow("answer") << u"answerEdit"_s << QRect(404, 201, 379, 44) << u"楷体"_s << none
                            << 30 << bold << int(QPalette::Text) << QColor(0x6A, 0x5A, 0xCD);
    QTest::newRow("feedback") << u"feedbackLabel"_s << QRect(404, 300, 400, 200) << u"楷体"_s << 20
                              << none << bold << int(QPalette::WindowText)
                              << QColor(0x00, 0x64, 0x00);
}

void TestWord::widgetLooks()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, family);
    QFETCH(int, pointSize);
    QFETCH(int, pixelSize);
    QFETCH(int, weight);
    QFETCH(int, role);
    QFETCH(QColor, colour);

    QWidget *widget = child(name);
    QCOMPARE(widget->parentWidget(), m_view.get());
    QCOMPARE(widget->geometry(), geometry);

    const QFont font = widget->font();
    if (family.isEmpty()) {
        QCOMPARE(font, m_view->font());
    } else {
        QCOMPARE(font.family(), family);
        QCOMPARE(font.pointSize(), pointSize);
        QCOMPARE(font.pixelSize(), pixelSize);
        QCOMPARE(int(font.weight()), weight);
    }

    if (role >= 0) {
        for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            QCOMPARE(widget->palette().color(group, QPalette::ColorRole(role)), colour);
    } else {
        QCOMPARE(widget->palette(), m_view->palette());
    }
}

void TestWord::paintsBackground()
{
    const QImage shot = m_view->grab().toImage();
    const QImage backdrop = QImage(u":/Image/word.jpg"_s).scaled(1100, 723);
    QVERIFY(!backdrop.isNull());
    // Points that no child covers.
    for (const QPoint point : {QPoint(20, 20), QPoint(1080, 700), QPoint(200, 600)})
        QCOMPARE(QColor(shot.pixel(point)), QColor(backdrop.pixel(point)));
}

void TestWord::startSpeaksFirstWord()
{
    m_view->enterpractice();
    const qsizetype mark = wordPlayer()->calls.size();
    QTest::mouseClick(m_view->m_startButton, Qt::LeftButton);

    QVERIFY(running());
    QCOMPARE(since(wordPlayer(), mark), (QStringList{u"playSegment 0 4000"_s}));
    QVERIFY(m_view->m_segmentTimer->isActive());
    QCOMPARE(m_view->m_segmentTimer->interval(), 4000 + 1000);
    QCOMPARE(meaning(), u"科学"_s);
    QCOMPARE(counts(), u"0/0"_s);
}

void TestWord::answerCheck_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("right");

    QTest::newRow("science") << 0 << u"science"_s << true;
    QTest::newRow("science with a trailing blank") << 0 << u"science "_s << false;
    QTest::newRow("Science") << 0 << u"Science"_s << false;
    QTest::newRow("GPS") << 1 << u"GPS"_s << true;
    QTest::newRow("gps") << 1 << u"gps"_s << false;
    QTest::newRow("post office") << 2 << u"post office"_s << true;
    QTest::newRow("post office with two blanks") << 2 << u"post  office"_s << false;
    QTest::newRow("post office with a trailing blank") << 2 << u"post office "_s << false;
    QTest::newRow("post office with a leading blank") << 2 << u" post office"_s << false;
    QTest::newRow("postoffice") << 2 << u"postoffice"_s << false;
    QTest::newRow("Italian") << 3 << u"Italian"_s << true;
    QTest::newRow("italian") << 3 << u"italian"_s << false;
}

void TestWord::answerCheck()
{
    QFETCH(int, index);
    QFETCH(QString, typed);
    QFETCH(bool, right);

    const QList<ListWord> words = unit1Words();
    start();
    for (int i = 0; i < index; ++i)
        answer(words.at(i).english);
    QCOMPARE(counts(), QStringLiteral("%1/0").arg(index));

    const qsizetype rightMark = rightPlayer()->calls.size();
    const qsizetype wrongMark = wrongPlayer()->calls.size();
    answer(typed);

    QCOMPARE(counts(), QStringLiteral("%1/%2").arg(index + (right ? 1 : 0)).arg(right ? 0 : 1));
    QCOMPARE(feedback(), right ? QString() : u"正确写法:"_s + words.at(index).english);
    const QStringList restarted{u"stop"_s, u"play"_s};
    QCOMPARE(since(rightPlayer(), rightMark), right ? restarted : QStringList());
    QCOMPARE(since(wrongPlayer(), wrongMark), right ? QStringList() : restarted);
    QCOMPARE(m_view->m_answerEdit->text(), QString());
    QCOMPARE(meaning(), words.at(index + 1).meaning);
    QCOMPARE(m_view->m_wrongIndices, right ? QList<int>() : QList<int>({index}));
}

void TestWord::returnAndEnterSubmit_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Enter") << int(Qt::Key_Enter);
}

void TestWord::returnAndEnterSubmit()
{
    QFETCH(int, key);
    start();
    QTest::keyClicks(m_view->m_answerEdit, u"science"_s);
    QTest::keyClick(m_view->m_answerEdit, Qt::Key(key));
    QCOMPARE(counts(), u"1/0"_s);
    QCOMPARE(meaning(), u"全球定位系统"_s);
}

void TestWord::checkButtonSubmits()
{
    start();
    QTest::keyClicks(m_view->m_answerEdit, u"sience"_s);
    QTest::mouseClick(m_view->m_nextButton, Qt::LeftButton);
    QCOMPARE(counts(), u"0/1"_s);
    QCOMPARE(feedback(), u"正确写法:science"_s);
}

void TestWord::otherKeysStopAtView_data()
{
    QTest::addColumn<bool>("fromAnswer");
    QTest::addColumn<int>("key");

    QTest::newRow("a letter at the view") << false << int(Qt::Key_A);
    QTest::newRow("F1 at the view") << false << int(Qt::Key_F1);
    QTest::newRow("Escape from the answer field") << true << int(Qt::Key_Escape);
}

void TestWord::otherKeysStopAtView()
{
    QFETCH(bool, fromAnswer);
    QFETCH(int, key);

    KeyRecorder parent;
    ScriptedPlayers players;
    auto *view = new word(&parent, players.factory(), sources(m_listPath));
    QTest::mouseClick(view->m_startButton, Qt::LeftButton);
    QWidget *target = fromAnswer ? static_cast<QWidget *>(view->m_answerEdit) : view;
    QTest::keyClick(target, Qt::Key(key));
    QCOMPARE(parent.keys, QList<int>{});
    QCOMPARE(view->m_rightLabel->text() + view->m_wrongLabel->text(), u"00"_s);
}

void TestWord::emptyAnswerReplaysWord()
{
    start();
    answer(u"science"_s);
    answer(u"gps"_s);
    const qsizetype mark = wordPlayer()->calls.size();
    const QStringList rightCalls = rightPlayer()->calls;
    const QStringList wrongCalls = wrongPlayer()->calls;

    SeenBox box;
    answerMessageBox(&box, QMessageBox::Ok);
    QTest::keyClick(m_view->m_answerEdit, Qt::Key_Return);

    QVERIFY(box.shown);
    QCOMPARE(box.title, u"注意"_s);
    QCOMPARE(box.text, u"键入单词为空"_s);
    QCOMPARE(box.parent, m_view.get());
    QCOMPARE(since(wordPlayer(), mark), (QStringList{u"playSegment 11200 16100"_s}));
    QCOMPARE(m_view->m_segmentTimer->interval(), 4900 + 1000);
    QCOMPARE(counts(), u"1/1"_s);
    QCOMPARE(meaning(), u"邮局"_s);
    QCOMPARE(feedback(), u"正确写法:GPS"_s);
    QCOMPARE(m_view->m_wrongIndices, QList<int>{1});
    QCOMPARE(rightPlayer()->calls, rightCalls);
    QCOMPARE(wrongPlayer()->calls, wrongCalls);

    // The pass goes on at the same word.
    answer(u"post office"_s);
    QCOMPARE(counts(), u"2/1"_s);
}

void TestWord::enterBeforeStart_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Enter") << int(Qt::Key_Enter);
}

void TestWord::enterBeforeStart()
{
    QFETCH(int, key);
    m_view->enterpractice();
    const qsizetype mark = wordPlayer()->calls.size();

    SeenBox box;
    answerMessageBox(&box, QMessageBox::Ok);
    QTest::keyClick(m_view.get(), Qt::Key(key));

    QVERIFY(box.shown);
    QCOMPARE(box.text, u"键入单词为空"_s);
    QCOMPARE(since(wordPlayer(), mark), (QStringList{u"playSegment 0 4000"_s}));
    QVERIFY(ready());
    QCOMPARE(counts(), u"0/0"_s);
}

void TestWord::feedbackEndSpeaksNextWord_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("right");

    QTest::newRow("after the right sound") << u"science"_s << true;
    QTest::newRow("after the wrong sound") << u"scince"_s << false;
}

void TestWord::feedbackEndSpeaksNextWord()
{
    QFETCH(QString, typed);
    QFETCH(bool, right);

    start();
    const qsizetype mark = wordPlayer()->calls.size();
    answer(typed);
    // The next meaning shows at once; its word waits for the feedback sound.
    QCOMPARE(meaning(), u"全球定位系统"_s);
    QVERIFY(ScriptedPlayer::plays(since(wordPlayer(), mark)) == 0);
    QVERIFY(!wordPlayer()->playing);

    (right ? rightPlayer() : wrongPlayer())->playToEnd();
    QCOMPARE(wordPlayer()->calls.last(), u"playSegment 4000 7600"_s);
    QVERIFY(wordPlayer()->playing);
    QCOMPARE(m_view->m_segmentTimer->interval(), 3600 + 1000);
}

void TestWord::answerDuringFeedback()
{
    start();
    answer(u"science"_s);
    QVERIFY(rightPlayer()->playing);
    const qsizetype rightMark = rightPlayer()->calls.size();

    // The same sound is cut off and starts again.
    answer(u"GPS"_s);
    QCOMPARE(since(rightPlayer(), rightMark), (QStringList{u"stop"_s, u"play"_s}));
    QVERIFY(rightPlayer()->playing);

    // The other sound plays on beside the new one.
    const qsizetype rightMark2 = rightPlayer()->calls.size();
    answer(u"post ofice"_s);
    QVERIFY(wrongPlayer()->playing);
    QVERIFY(rightPlayer()->playing);
    QCOMPARE(since(rightPlayer(), rightMark2), QStringList{});
    QCOMPARE(counts(), u"2/1"_s);
}

void TestWord::segmentTimerEndsWord()
{
    start();
    QVERIFY(wordPlayer()->playing);
    const qsizetype mark = wordPlayer()->calls.size();

    chooseUnit(1); // the pass goes on at "apple", a 40 ms segment
    QCOMPARE(m_view->m_segmentTimer->interval(), 40 + 1000);
    QTRY_VERIFY(!m_view->m_segmentTimer->isActive());
    QVERIFY(!wordPlayer()->playing);
    QCOMPARE(since(wordPlayer(), mark),
             (QStringList{u"stop"_s, u"playSegment 200000 200040"_s, u"stop"_s}));
}

// What the child types goes into the answer from 出发 on, also after an answer given with the
// check button.
void TestWord::answerHasTheKeyboard()
{
    m_view->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_view.get()));
    m_view->enterpractice();
    QTest::mouseClick(m_view->m_startButton, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), m_view->m_answerEdit);
    QTest::keyClicks(QApplication::focusWidget(), u"science"_s);
    QCOMPARE(m_view->m_answerEdit->text(), u"science"_s);
    m_view->m_nextButton->setFocus();
    QTest::mouseClick(m_view->m_nextButton, Qt::LeftButton);
    QCOMPARE(counts(), u"1/0"_s);
    QCOMPARE(QApplication::focusWidget(), m_view->m_answerEdit);
}

// The player ends the word where it ends; the timer, a backstop, goes with it.
void TestWord::playerEndStopsTheBackstop()
{
    start();
    QVERIFY(m_view->m_segmentTimer->isActive());
    wordPlayer()->playToEnd();
    QVERIFY(!m_view->m_segmentTimer->isActive());
}

void TestWord::degenerateSegmentPlaysNothing_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("played");

    QTest::newRow("end equals start") << 0 << false;
    QTest::newRow("end before start") << 1 << false;
    QTest::newRow("end after start") << 2 << true;
}

void TestWord::degenerateSegmentPlaysNothing()
{
    QFETCH(int, index);
    QFETCH(bool, played);

    const QList<ListWord> words = unit4Words();
    start();
    QVERIFY(m_view->m_segmentTimer->isActive());
    qsizetype mark = wordPlayer()->calls.size();
    chooseUnit(3);
    for (int i = 0; i < index; ++i) {
        answer(words.at(i).english);
        mark = wordPlayer()->calls.size();
        rightPlayer()->playToEnd();
    }

    QCOMPARE(ScriptedPlayer::plays(since(wordPlayer(), mark)) > 0, played);
    QCOMPARE(wordPlayer()->playing, played);
    QCOMPARE(m_view->m_segmentTimer->isActive(), played);
    if (played) {
        QCOMPARE(wordPlayer()->calls.last(), QStringLiteral("playSegment %1 %2")
                                                 .arg(words.at(index).start)
                                                 .arg(words.at(index).end));
        QCOMPARE(m_view->m_segmentTimer->interval(),
                 words.at(index).end - words.at(index).start + 1000);
    }
    QCOMPARE(meaning(), words.at(index).meaning);
}

void TestWord::fullPassSummary()
{
    const QList<ListWord> words = unit1Words();
    const QList<int> wrong{3, 17, 24};
    QSignalSpy quit(m_view.get(), &word::qutword);
    start();
    for (int i = 0; i < 24; ++i)
        answer(wrong.contains(i) ? u"wrong"_s : words.at(i).english);
    QCOMPARE(counts(), u"22/2"_s);

    // A list changed while the summary is up is not read for the next pass.
    QList<ListWord> changed = words;
    changed.first().meaning = u"变了"_s;
    SummarySeen seen;
    answerSummary(&seen, Leave::Again,
                  [this, &changed] { writeFile(m_listPath, wordList(changed)); });
    answer(u"wrong"_s);

    QVERIFY(seen.shown);
    QCOMPARE(seen.parent, m_view.get());
    QCOMPARE(seen.rows.size(), 25);
    for (int i = 0; i < 25; ++i) {
        const SummaryRow &row = seen.rows.at(i);
        const bool right = !wrong.contains(i);
        QCOMPARE(row.english, words.at(i).english);
        QCOMPARE(row.meaning, words.at(i).meaning);
        QCOMPARE(row.mark, right ? u"\u221A"_s : u"\u00D7"_s);
        QCOMPARE(row.background, right ? QColor(176, 224, 230) : QColor(255, 192, 203));
        QCOMPARE(row.blackText, right);
    }

    // Another pass of the same unit, from its first word.
    QCOMPARE(quit.size(), 0);
    QVERIFY(running());
    QCOMPARE(counts(), u"0/0"_s);
    QCOMPARE(feedback(), QString());
    QCOMPARE(meaning(), u"科学"_s);
    QVERIFY(m_view->m_wrongIndices.isEmpty());
    answer(u"science"_s);
    QCOMPARE(counts(), u"1/0"_s);
    QCOMPARE(meaning(), u"全球定位系统"_s);
}

void TestWord::againSpeaksFirstWordAfterFeedback_data()
{
    QTest::addColumn<bool>("soundEndsInSummary");
    QTest::newRow("feedback sound still playing") << false;
    QTest::newRow("feedback sound ended in the summary") << true;
}

void TestWord::againSpeaksFirstWordAfterFeedback()
{
    QFETCH(bool, soundEndsInSummary);

    chooseUnit(1);
    start();
    answer(u"apple"_s);
    answer(u"banana"_s);
    const qsizetype mark = wordPlayer()->calls.size();
    SummarySeen seen;
    answerSummary(&seen, Leave::Again, [this, soundEndsInSummary] {
        if (soundEndsInSummary)
            wrongPlayer()->playToEnd();
    });
    answer(u"peer"_s);
    QVERIFY(seen.shown);
    QCOMPARE(seen.rows.size(), 3);
    QVERIFY(ScriptedPlayer::plays(since(wordPlayer(), mark)) == 0);

    if (soundEndsInSummary) {
        QVERIFY(!wrongPlayer()->playing);
        // Nothing is spoken until the child submits.
        SeenBox box;
        answerMessageBox(&box, QMessageBox::Ok);
        QTest::keyClick(m_view->m_answerEdit, Qt::Key_Return);
        QVERIFY(box.shown);
    } else {
        wrongPlayer()->playToEnd();
    }
    QCOMPARE(since(wordPlayer(), mark), (QStringList{u"playSegment 200000 200040"_s}));
}

void TestWord::leavingSummary_data()
{
    QTest::addColumn<Leave>("how");
    QTest::newRow("退出背单词") << Leave::Quit;
    QTest::newRow("close button") << Leave::Close;
    QTest::newRow("Escape") << Leave::Escape;
}

void TestWord::leavingSummary()
{
    QFETCH(Leave, how);

    QSignalSpy quit(m_view.get(), &word::qutword);
    chooseUnit(1);
    start();
    answer(u"apple"_s);
    answer(u"banan"_s);
    SummarySeen seen;
    answerSummary(&seen, how);
    answer(u"pear"_s);

    QVERIFY(seen.shown);
    QCOMPARE(quit.size(), 1);
    QVERIFY(m_view->m_wrongIndices.isEmpty());
    QCOMPARE(counts(), u"2/1"_s);

    // The pass is over: a late feedback sound speaks nothing, and an answer finds no word.
    const qsizetype mark = wordPlayer()->calls.size();
    rightPlayer()->playToEnd();
    ModalGuard guard;
    answer(u"apple"_s);
    QVERIFY(guard.seen.isEmpty());
    QVERIFY(ScriptedPlayer::plays(since(wordPlayer(), mark)) == 0);
    QCOMPARE(counts(), u"2/1"_s);
    QCOMPARE(quit.size(), 1);
}

void TestWord::unitInReady()
{
    m_view->enterpractice();
    const qsizetype mark = wordPlayer()->calls.size();
    chooseUnit(1);

    QVERIFY(since(wordPlayer(), mark).isEmpty());
    QVERIFY(ready());
    QCOMPARE(meaning(), u"苹果"_s);
    QCOMPARE(counts(), u"0/0"_s);

    QTest::mouseClick(m_view->m_startButton, Qt::LeftButton);
    QCOMPARE(since(wordPlayer(), mark), (QStringList{u"playSegment 200000 200040"_s}));
    QCOMPARE(meaning(), u"苹果"_s);
}

void TestWord::unitInRunning()
{
    start();
    answer(u"Science"_s);
    QTest::keyClicks(m_view->m_answerEdit, u"ap"_s);
    const qsizetype mark = wordPlayer()->calls.size();

    chooseUnit(1);
    QCOMPARE(since(wordPlayer(), mark).first(), u"playSegment 200000 200040"_s);
    QCOMPARE(feedback(), u"正确写法:science"_s);
    QCOMPARE(counts(), u"0/0"_s);
    QCOMPARE(m_view->m_answerEdit->text(), QString());
    QCOMPARE(meaning(), u"苹果"_s);
    QVERIFY(running());

    // The wrong answer in unit 1 does not reach the summary of unit 2.
    SummarySeen seen;
    answerSummary(&seen, Leave::Again);
    for (const ListWord &w : unit2Words())
        answer(w.english);
    QVERIFY(seen.shown);
    QCOMPARE(seen.rows.size(), 3);
    for (const SummaryRow &row : std::as_const(seen.rows))
        QCOMPARE(row.mark, u"\u221A"_s);
}

void TestWord::sameUnitChangesNothing()
{
    start();
    answer(u"science"_s);
    answer(u"gps"_s);
    QTest::keyClicks(m_view->m_answerEdit, u"po"_s);
    const QStringList wordCalls = wordPlayer()->calls;
    const QStringList rightCalls = rightPlayer()->calls;
    const QStringList wrongCalls = wrongPlayer()->calls;

    chooseUnit(0);
    m_view->setunitint(0);

    QCOMPARE(wordPlayer()->calls, wordCalls);
    QCOMPARE(rightPlayer()->calls, rightCalls);
    QCOMPARE(wrongPlayer()->calls, wrongCalls);
    QCOMPARE(counts(), u"1/1"_s);
    QCOMPARE(meaning(), u"邮局"_s);
    QCOMPARE(feedback(), u"正确写法:GPS"_s);
    QCOMPARE(m_view->m_answerEdit->text(), u"po"_s);
    QCOMPARE(m_view->m_wrongIndices, QList<int>{1});
}

void TestWord::leaveAndEnterAgain()
{
    start();
    answer(u"science"_s);
    answer(u"gps"_s);
    rightPlayer()->playToEnd(); // the next word is being spoken
    QVERIFY(wordPlayer()->playing && wrongPlayer()->playing && !rightPlayer()->playing);
    const QStringList rightCalls = rightPlayer()->calls;

    m_view->leavepractice();
    QVERIFY(!wordPlayer()->playing && !wrongPlayer()->playing);
    QCOMPARE(wordPlayer()->calls.last(), u"stop"_s);
    QCOMPARE(wrongPlayer()->calls.last(), u"stop"_s);
    QCOMPARE(rightPlayer()->calls, rightCalls); // not playing, so not stopped

    const qsizetype mark = wordPlayer()->calls.size();
    m_view->enterpractice();
    QVERIFY(ready());
    QCOMPARE(counts(), u"0/0"_s);
    QCOMPARE(meaning(), u"科学"_s);
    QCOMPARE(feedback(), QString());
    QCOMPARE(m_view->m_answerEdit->text(), QString());
    QVERIFY(m_view->m_wrongIndices.isEmpty());
    QCOMPARE(since(wordPlayer(), mark),
             QStringList{u"setSource "_s + m_dir->path() + u"/frequency/frequency36.dll"_s});
}

void TestWord::emptyUnitReady()
{
    m_view->enterpractice();
    chooseUnit(2);
    QCOMPARE(meaning(), word::noWordsNotice());
    const qsizetype mark = wordPlayer()->calls.size();

    QTest::mouseClick(m_view->m_startButton, Qt::LeftButton);
    QVERIFY(ready());

    SeenBox box;
    answerMessageBox(&box, QMessageBox::Ok);
    QTest::keyClick(m_view.get(), Qt::Key_Return);
    QVERIFY(box.shown);

    QVERIFY(ScriptedPlayer::plays(since(wordPlayer(), mark)) == 0);
    QVERIFY(!m_view->m_segmentTimer->isActive());
    QCOMPARE(counts(), u"0/0"_s);
}

void TestWord::emptyUnitDuringPass()
{
    start();
    answer(u"Science"_s);
    QVERIFY(m_view->m_segmentTimer->isActive());
    const qsizetype mark = wordPlayer()->calls.size();

    chooseUnit(2);
    QCOMPARE(meaning(), word::noWordsNotice());
    QCOMPARE(counts(), u"0/0"_s);
    QVERIFY(!m_view->m_segmentTimer->isActive());

    const QStringList rightCalls = rightPlayer()->calls;
    const QStringList wrongCalls = wrongPlayer()->calls;
    {
        ModalGuard guard;
        answer(u"science"_s);
        QVERIFY(guard.seen.isEmpty());
    }
    QCOMPARE(counts(), u"0/0"_s);
    QCOMPARE(rightPlayer()->calls, rightCalls);
    QCOMPARE(wrongPlayer()->calls, wrongCalls);

    wrongPlayer()->playToEnd();
    m_view->wordendtime();
    m_view->m_answerEdit->clear();
    SeenBox box;
    answerMessageBox(&box, QMessageBox::Ok);
    QTest::keyClick(m_view->m_answerEdit, Qt::Key_Return);
    QVERIFY(box.shown);
    QVERIFY(ScriptedPlayer::plays(since(wordPlayer(), mark)) == 0);

    // A unit with words goes on at once.
    chooseUnit(0);
    QCOMPARE(wordPlayer()->calls.last(), u"playSegment 0 4000"_s);
    QCOMPARE(meaning(), u"科学"_s);
}

void TestWord::unitBoxOffersTheBooksUnits_data()
{
    QTest::addColumn<int>("units");
    QTest::addColumn<int>("offered");
    QTest::newRow("one unit") << 1 << 1;
    QTest::newRow("four units") << 4 << 4;
    QTest::newRow("six units, as the demo book") << 6 << 6;
    // A book always has unit 1, and the practice has names for six.
    QTest::newRow("none given") << 0 << 1;
    QTest::newRow("more than six") << 9 << 6;
}

void TestWord::unitBoxOffersTheBooksUnits()
{
    QFETCH(int, units);
    QFETCH(int, offered);
    Content::Sources book = sources(m_listPath);
    book.unitCount = units;
    ScriptedPlayers players;
    word view(nullptr, players.factory(), book);
    const auto *box = view.findChild<QComboBox *>();
    QVERIFY(box);
    QCOMPARE(box->count(), offered);
    for (int i = 0; i < offered; ++i)
        QCOMPARE(box->itemText(i), word::unitnames().at(i));
    // An entry the box does not have is not chosen by a direct call either.
    view.enterpractice();
    view.setunitint(offered);
    QCOMPARE(box->currentIndex(), 0);
}

// Unit 3 of the test list has no words: the view says so where the meaning stands, and its
// start button cannot be pressed; a unit with words takes both back.
void TestWord::aUnitWithoutWordsSaysSo()
{
    const auto labelSaying = [this](const QString &text) {
        const QList<QLabel *> labels = m_view->findChildren<QLabel *>();
        return std::any_of(labels.begin(), labels.end(),
                           [&](const QLabel *label) { return label->text() == text; });
    };
    const auto startButton = [this]() -> QPushButton * {
        const QList<QPushButton *> buttons = m_view->findChildren<QPushButton *>();
        for (QPushButton *b : buttons) {
            if (b->text() == u"出发"_s)
                return b;
        }
        return nullptr;
    };
    auto *box = m_view->findChild<QComboBox *>();
    m_view->enterpractice();
    QVERIFY(!labelSaying(word::noWordsNotice()));
    QVERIFY(startButton()->isEnabled());

    box->setCurrentIndex(2);
    QVERIFY(labelSaying(word::noWordsNotice()));
    QVERIFY(!startButton()->isEnabled());
    // Entering practice again on that unit says the same.
    m_view->leavepractice();
    m_view->enterpractice();
    QVERIFY(labelSaying(word::noWordsNotice()));
    QVERIFY(!startButton()->isEnabled());

    box->setCurrentIndex(1);
    QVERIFY(!labelSaying(word::noWordsNotice()));
    QVERIFY(labelSaying(unit2Words().at(0).meaning));
    QVERIFY(startButton()->isEnabled());
}

void TestWord::unreadableListCarriesOnEmpty()
{
    QStringList reported;
    ScriptedPlayers players;
    word view(nullptr, players.factory(), sources(m_dir->filePath(u"missing.xml"_s)),
              [&reported](const QString &, const QString &text) { reported << text; });
    QCOMPARE(reported, QStringList{u"open file err"_s});

    QCOMPARE(view.m_meaningLabel->text(), word::noWordsNotice());
    QTest::mouseClick(view.m_startButton, Qt::LeftButton);
    QVERIFY(!view.m_startButton->isHidden());
    QCOMPARE(ScriptedPlayer::plays(players.made.at(0)->calls), 0);
}

QTEST_MAIN(TestWord)
#include "tst_word.moc"
