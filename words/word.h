#pragma once

#include "content/content.h"
#include "content/wordunit.h"
#include "media/audioplayer.h"

#include <QFont>
#include <QList>
#include <QStringList>
#include <QWidget>

#include <memory>

class History;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// The spelling practice screen. The child picks a unit, presses "出发", hears a word and sees
// its meaning, types the word and submits it with Enter or the check button; the view sounds
// right or wrong, counts, shows the correct spelling after a mistake and speaks the next word
// once the feedback sound has ended. After the unit's last word it shows the summary and
// either starts another pass or emits qutword().
//
// A pass goes through the whole unit, or through chosen words of it: the wrong ones of the
// last pass ("只练错词" in the summary) or those most often wrong in the history.
//
// The main window calls enterpractice() and leavepractice() when practice is entered and
// left, and connects backButton() and qutword() to its mode switch. The words come from the
// book's word list, their audio from its content directory. Given a History (keepHistory()),
// every answer is kept there and "学习记录" shows the unit's passes.
class word : public QWidget
{
    Q_OBJECT
public:
    explicit word(QWidget *parent, AudioPlayerFactory makePlayer = AudioPlayer::factory(),
                  Content::Sources sources = {}, ReadFailureReport report = {});
    ~word() override;

    QPushButton *backButton() const { return m_backButton; }

    // Keeps every pass in `history` from now on and offers the "学习记录" button; null keeps
    // nothing and hides the button. The view does not own the history, which must outlive
    // it or be taken back with null first.
    void keepHistory(History *history);

    // Entries of the unit box; entry k stands for unit k + 1. The box offers the first
    // ones, as many as the book has units.
    static QStringList unitnames();
    // What the meaning label says for a unit that has no words.
    static QString noWordsNotice();
    // The font of the meaning and of the typed answer.
    static QFont wordfont();

    void enterpractice();
    void leavepractice();
    // Replaces the current unit by a fresh load of unit m_unitNumber from the word list.
    void loadUnit();

    // Chooses entry `entry` of the unit box, as the child would.
    void chooseUnit(int entry);
    // Starts a pass over those of the current unit's words that `english` names, in the
    // unit's order; nothing happens when it names none of them.
    void practiseWords(const QStringList &english);

signals:
    void qutword();
    // A unit the child (or chooseUnit()) chose: its entry in the unit box.
    void unitChosen(int entry);

public slots:
    void setnextword();
    void setunitint(int unit);
    void setstart();
    void wordendtime();
    void setrightmusic();
    void seterrmusic();
    // The history view of the current unit, from which a pass over chosen words can start.
    void showhistory();

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void playword();
    void advanceword();
    void resetpass();
    // Back to the unit's first word with nothing counted.
    void resetcounts();
    // The unit's first meaning, or that it has none, and a start button only for a unit with
    // words.
    void showUnitStart();
    void showcounts();
    // Keeps the answer to the current word in the history, starting the pass there first.
    void keepAnswer(const WordEntry &entry, const QString &typed, bool right);
    // The entry at `index` of the current pass, or null when the pass has none there.
    const WordEntry *entryAt(int index) const;
    QString meaningAt(int index) const;
    int wordCount() const;

    friend class TestWord;

    Content::Sources m_sources;
    ReadFailureReport m_report;
    std::unique_ptr<WordUnit> m_currentUnit;
    // The words of the pass: the unit's, or chosen ones of them.
    QList<WordEntry> m_passWords;
    // What was typed for each word answered in this pass.
    QStringList m_typed;
    History *m_history = nullptr;
    qint64 m_historyPass = -1;
    QPushButton *m_nextButton = nullptr;
    QPushButton *m_startButton = nullptr;
    QPushButton *m_backButton = nullptr;
    QPushButton *m_historyButton = nullptr;
    AbstractAudioPlayer *m_wordPlayer = nullptr;
    AbstractAudioPlayer *m_rightPlayer = nullptr;
    AbstractAudioPlayer *m_wrongPlayer = nullptr;
    QList<int> m_wrongIndices;
    QLineEdit *m_answerEdit = nullptr;
    QComboBox *m_unitBox = nullptr;
    QLabel *m_rightLabel = nullptr;
    QLabel *m_wrongLabel = nullptr;
    QLabel *m_meaningLabel = nullptr;
    QLabel *m_feedbackLabel = nullptr;
    QTimer *m_segmentTimer = nullptr;
    int m_unitNumber = 1;
    int m_rightCount = 0;
    int m_wrongCount = 0;
    int m_wordIndex = 0;
};
