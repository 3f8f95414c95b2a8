#include "words/word.h"

#include "content/interfaceimage.h"
#include "words/historyview.h"
#include "words/wordjudgement.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include <limits>

namespace {

// How long past a word's end the segment timer waits for the player to report it.
constexpr qint64 wordEndGraceMs = 1000;

void setPaletteColour(QWidget *widget, QPalette::ColorRole role, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::All, role, colour);
    widget->setPalette(palette);
}

QFont boldFont(const QString &family, int pointSize)
{
    QFont font(family, pointSize);
    font.setWeight(QFont::Bold);
    return font;
}

} // namespace

word::word(QWidget *parent, AudioPlayerFactory makePlayer, Content::Sources sources,
           ReadFailureReport report)
    : QWidget(parent, Qt::WindowFlags())
    , m_sources(std::move(sources))
    , m_report(std::move(report))
{
    // Unit 1, counts and index 0 come from the member initialisers.
    loadUnit();

    // Each player brings its own audio output.
    m_wordPlayer = makePlayer(this);
    m_rightPlayer = makePlayer(this);
    m_wrongPlayer = makePlayer(this);
    m_wrongPlayer->setSource(QStringLiteral(":/Image/audio/worderr.wav"));
    m_rightPlayer->setSource(QStringLiteral(":/Image/audio/wordright.wav"));

    m_segmentTimer = new QTimer(this);

    m_startButton = new QPushButton(QStringLiteral("出发"), this);
    m_startButton->setGeometry(818, 204, 90, 36);
    m_startButton->setFont(boldFont(QStringLiteral("黑体"), 20));
    setPaletteColour(m_startButton, QPalette::ButtonText, QColor(0xC8, 0x64, 0x64));

    // The check button takes the start button's place while a pass runs; the style sheet
    // draws it.
    m_nextButton = new QPushButton(this);
    m_nextButton->setObjectName(QStringLiteral("nextword"));
    m_nextButton->setGeometry(818, 204, 90, 36);
    m_nextButton->hide();

    m_backButton = new QPushButton(this);
    m_backButton->setObjectName(QStringLiteral("goback"));
    m_backButton->setGeometry(874, 572, 90, 36);

    // Beside the back button, on the grass clear of the letter blocks; only with a history
    // to show.
    m_historyButton = new QPushButton(this);
    m_historyButton->setObjectName(QStringLiteral("history"));
    m_historyButton->setGeometry(770, 572, 90, 36);
    m_historyButton->hide();

    m_rightLabel = new QLabel(this);
    m_rightLabel->setGeometry(334, 350, 50, 50);
    m_rightLabel->setFont(boldFont(QStringLiteral("楷体"), 32));
    setPaletteColour(m_rightLabel, QPalette::WindowText, Qt::blue);

    m_wrongLabel = new QLabel(this);
    m_wrongLabel->setGeometry(334, 415, 50, 50);
    m_wrongLabel->setFont(boldFont(QStringLiteral("楷体"), 32));
    setPaletteColour(m_wrongLabel, QPalette::WindowText, Qt::red);
    // The labels show their numbers from the start, not only from the first reset.
    showcounts();

    m_unitBox = new QComboBox(this);
    m_unitBox->setGeometry(890, 75, 110, 35);
    QFont unitFont(QStringLiteral("楷体"));
    unitFont.setPixelSize(20);
    unitFont.setWeight(QFont::Normal);
    m_unitBox->setFont(unitFont);
    // Only the book's units: a unit it does not have would be an empty page to the child.
    m_unitBox->addItems(unitnames().mid(0, m_sources.offeredUnits()));

    m_meaningLabel = new QLabel(this);
    m_meaningLabel->setGeometry(414, 283, 379, 44);
    m_meaningLabel->setFont(wordfont());
    setPaletteColour(m_meaningLabel, QPalette::WindowText, QColor(0x2F, 0x4F, 0x4F));
    showUnitStart();

    m_answerEdit = new QLineEdit(this);
    m_answerEdit->setGeometry(404, 201, 379, 44);
    m_answerEdit->setFont(wordfont());
    setPaletteColour(m_answerEdit, QPalette::Text, QColor(0x6A, 0x5A, 0xCD));
    m_answerEdit->setEnabled(false);

    m_feedbackLabel = new QLabel(this);
    m_feedbackLabel->setGeometry(404, 300, 400, 200);
    m_feedbackLabel->setFont(wordfont());
    m_feedbackLabel->setFont(boldFont(QStringLiteral("楷体"), 20));
    setPaletteColour(m_feedbackLabel, QPalette::WindowText, QColor(0x00, 0x64, 0x00));

    // Connected only now that the unit box is filled, so filling it chooses no unit.
    connect(m_nextButton, &QPushButton::clicked, this, &word::setnextword);
    connect(m_unitBox, &QComboBox::currentIndexChanged, this, &word::setunitint);
    connect(m_startButton, &QPushButton::clicked, this, &word::setstart);
    connect(m_historyButton, &QPushButton::clicked, this, &word::showhistory);
    connect(m_segmentTimer, &QTimer::timeout, this, &word::wordendtime);
    connect(m_wordPlayer, &AbstractAudioPlayer::finished, m_segmentTimer, &QTimer::stop);
    connect(m_rightPlayer, &AbstractAudioPlayer::finished, this, &word::setrightmusic);
    connect(m_wrongPlayer, &AbstractAudioPlayer::finished, this, &word::seterrmusic);
}

word::~word() = default;

QStringList word::unitnames()
{
    return Content::unitNames();
}

QFont word::wordfont()
{
    QFont font(QStringLiteral("楷体"));
    font.setPixelSize(30);
    font.setWeight(QFont::Bold);
    return font;
}

void word::loadUnit()
{
    // Everything that reads the unit checks the index against it, so a failure box of the
    // load, whose event loop lets the players and the timer run, finds nothing to misread.
    m_currentUnit =
        std::make_unique<WordUnit>(QStringLiteral("unit%1").arg(m_unitNumber), m_report);
    m_currentUnit->clear();
    m_currentUnit->load(m_sources.wordListPath);
    m_passWords = m_currentUnit->entries();
}

void word::keepHistory(History *history)
{
    m_history = history;
    m_historyPass = -1;
    m_historyButton->setVisible(history != nullptr);
}

const WordEntry *word::entryAt(int index) const
{
    return index >= 0 && index < m_passWords.size() ? &m_passWords.at(index) : nullptr;
}

QString word::meaningAt(int index) const
{
    const WordEntry *entry = entryAt(index);
    return entry ? entry->meaning : QString();
}

int word::wordCount() const
{
    return static_cast<int>(m_passWords.size());
}

void word::playword()
{
    m_wordPlayer->stopIfPlaying();

    const WordEntry *entry = entryAt(m_wordIndex);
    const qint64 length = entry ? qint64(entry->endTime) - entry->startTime : 0;
    if (length <= 0) {
        // No word here (a unit without words, or the pass is over), or a segment that ends
        // before it starts: say nothing, and leave no timer running for a word not spoken.
        m_segmentTimer->stop();
        return;
    }
    m_wordPlayer->playSegment(entry->startTime, entry->endTime);
    // The player ends the word where it ends, heard to its last sample; the timer, given a
    // second more, only stops a player that never reports an end.
    m_segmentTimer->start(
        int(std::min<qint64>(length + wordEndGraceMs, std::numeric_limits<int>::max())));
}

void word::wordendtime()
{
    m_wordPlayer->stopIfPlaying();
    m_segmentTimer->stop();
}

void word::setnextword()
{
    // The segment timer goes on; its timeout then finds nothing to stop.
    m_wordPlayer->stopIfPlaying();

    const QString answer = m_answerEdit->text();
    if (answer.isEmpty()) {
        QMessageBox::about(this, QStringLiteral("注意"), QStringLiteral("键入单词为空"));
        playword();
        return;
    }

    // A unit without words, or a pass already over, has nothing to check the answer against.
    const WordEntry *entry = entryAt(m_wordIndex);
    if (!entry)
        return;

    // Spelling is exact: case and every blank count.
    const bool right = answer == entry->english;
    m_typed.append(answer);
    keepAnswer(*entry, answer, right);
    if (right) {
        ++m_rightCount;
        m_rightPlayer->stop();
        m_rightPlayer->play();
        showcounts();
        m_answerEdit->clear();
        m_feedbackLabel->clear();
    } else {
        ++m_wrongCount;
        m_wrongPlayer->stop();
        m_wrongPlayer->play();
        showcounts();
        m_answerEdit->clear();
        m_feedbackLabel->setText(QStringLiteral("正确写法:") + entry->english);
        m_wrongIndices.append(m_wordIndex);
    }
    advanceword();
    // After the check button, too, the next word is typed straight away.
    m_answerEdit->setFocus();
}

void word::keepAnswer(const WordEntry &entry, const QString &typed, bool right)
{
    if (!m_history)
        return;
    // A pass is kept from its first answer on, so entering and leaving keeps nothing.
    if (m_historyPass < 0) {
        const bool wholeUnit = m_passWords.size() == m_currentUnit->entries().size();
        m_historyPass = m_history->beginPass(m_unitNumber, wordCount(), wholeUnit);
    }
    m_history->recordAnswer(m_historyPass, m_wordIndex, entry.english, typed, right);
}

void word::advanceword()
{
    ++m_wordIndex;
    if (m_wordIndex != wordCount()) {
        // The child reads the next meaning at once and hears the word after the feedback
        // sound.
        m_meaningLabel->setText(meaningAt(m_wordIndex));
        return;
    }

    if (m_history)
        m_history->finishPass(m_historyPass);

    bool again = false;
    bool wrongWordsOnly = false;
    QList<WordEntry> wrongWords;
    {
        wordjudgement summary(wordCount(), this);
        for (int i = 0; i < wordCount(); ++i) {
            const WordEntry &entry = m_passWords.at(i);
            const bool right = !m_wrongIndices.contains(i);
            summary.addresult(i, entry.english, entry.meaning, right, m_typed.value(i));
            if (!right)
                wrongWords.append(entry);
        }
        // The last answer's feedback sound plays on; should it end in here, there is no
        // next word to speak.
        summary.exec();
        m_wrongIndices.clear();
        again = summary.again();
        wrongWordsOnly = summary.wrongWordsOnly();
    }

    if (again) {
        // The same words once more, or only the wrong ones, not reloaded; the first word is
        // spoken when the last feedback sound ends or the child submits an empty answer.
        if (wrongWordsOnly)
            m_passWords = wrongWords;
        m_feedbackLabel->setText(QString());
        resetcounts();
    } else {
        emit qutword();
    }
}

void word::setrightmusic()
{
    if (m_wordIndex != wordCount())
        playword();
}

void word::seterrmusic()
{
    if (m_wordIndex != wordCount())
        playword();
}

void word::setstart()
{
    // A unit without words gives no pass to start: the view stays ready and silent.
    if (wordCount() == 0)
        return;
    m_nextButton->show();
    m_startButton->hide();
    m_answerEdit->setEnabled(true);
    // The child types at once: letters typed before a click into the field must not be lost.
    m_answerEdit->setFocus();
    playword();
    resetpass();
}

void word::resetpass()
{
    m_answerEdit->clear();
    m_feedbackLabel->setText(QString());
    loadUnit();
    resetcounts();
}

void word::resetcounts()
{
    m_rightCount = 0;
    m_wrongCount = 0;
    m_wordIndex = 0;
    m_typed.clear();
    m_historyPass = -1;
    showUnitStart();
    showcounts();
}

void word::showUnitStart()
{
    // A unit without words says so in place of a meaning, and offers no start that would
    // do nothing.
    const bool hasWords = wordCount() > 0;
    m_meaningLabel->setText(hasWords ? meaningAt(0) : noWordsNotice());
    m_startButton->setEnabled(hasWords);
}

QString word::noWordsNotice()
{
    return QStringLiteral("这个单元还没有单词");
}

void word::setunitint(int unit)
{
    // The unit box reports only real changes; a direct call for the unit on show, or for
    // an entry the box does not have, changes nothing either.
    if (unit < 0 || unit >= m_unitBox->count() || unit + 1 == m_unitNumber)
        return;

    m_wrongIndices.clear();
    m_unitNumber = unit + 1;
    loadUnit();
    m_answerEdit->clear();
    resetcounts();
    // A hidden start button means a pass runs (asked of the button itself, so that the
    // answer does not depend on whether the view is on screen): it goes on at the new
    // unit's first word.
    if (m_startButton->isHidden())
        playword();
    emit unitChosen(unit);
}

void word::chooseUnit(int entry)
{
    // Through the box, so that it shows the unit too.
    if (entry >= 0 && entry < m_unitBox->count())
        m_unitBox->setCurrentIndex(entry);
}

void word::practiseWords(const QStringList &english)
{
    QList<WordEntry> chosen;
    for (const WordEntry &entry : m_currentUnit->entries()) {
        if (english.contains(entry.english))
            chosen.append(entry);
    }
    if (chosen.isEmpty())
        return;
    // Whatever pass ran is left where it was; this one starts at once, as with "出发".
    m_wrongIndices.clear();
    m_passWords = chosen;
    m_answerEdit->clear();
    m_feedbackLabel->setText(QString());
    resetcounts();
    m_nextButton->show();
    m_startButton->hide();
    m_answerEdit->setEnabled(true);
    m_answerEdit->setFocus();
    playword();
}

void word::showhistory()
{
    if (!m_history)
        return;
    QStringList chosen;
    {
        HistoryView view(*m_history, m_unitNumber, unitnames().value(m_unitNumber - 1), this);
        view.exec();
        chosen = view.chosenWords();
    }
    practiseWords(chosen);
}

void word::showcounts()
{
    m_rightLabel->setText(QStringLiteral("%1").arg(m_rightCount));
    m_wrongLabel->setText(QStringLiteral("%1").arg(m_wrongCount));
}

void word::enterpractice()
{
    // The history file is opened as practice opens, so that a problem with it is told now
    // rather than over the child's first answer.
    if (m_history)
        m_history->isAvailable();
    m_wordPlayer->setSource(Content::spreadAudio(m_sources.contentDir, Content::wordAudioSpread));
    m_wrongIndices.clear();
    m_nextButton->hide();
    m_startButton->show();
    m_answerEdit->setEnabled(false);
    resetpass();
}

void word::leavepractice()
{
    // The segment timer may still fire; wordendtime() then finds nothing playing.
    for (AbstractAudioPlayer *player : {m_wordPlayer, m_rightPlayer, m_wrongPlayer})
        player->stopIfPlaying();
}

void word::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(QRect(0, 0, 1100, 723),
                       interfacePixmap(QStringLiteral(":/Image/word.jpg"), devicePixelRatioF()));
}

void word::keyPressEvent(QKeyEvent *event)
{
    // Return and Enter from the answer field arrive here, since the field leaves them to its
    // parent. Keys the view has no use for stop here too.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        setnextword();
    event->accept();
}
