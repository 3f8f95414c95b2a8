#pragma once

#include "content/content.h"
#include "content/wordunit.h"
#include "media/audioplayer.h"

#include <QFont>
#include <QList>
#include <QStringList>
#include <QWidget>

#include <memory>

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
// The main window calls enterpractice() and leavepractice() when practice is entered and
// left, and connects backButton() and qutword() to its mode switch. The words come from the
// book's word list, their audio from its content directory.
class word : public QWidget
{
    Q_OBJECT
public:
    explicit word(QWidget *parent, AudioPlayerFactory makePlayer = AudioPlayer::factory(),
                  Content::Sources sources = {}, ReadFailureReport report = {});
    ~word() override;

    QPushButton *backButton() const { return m_backButton; }

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
    // The entry at `index` of the current unit, or null when the unit has none there.
    const WordEntry *entryAt(int index) const;
    QString meaningAt(int index) const;
    int wordCount() const;

    friend class TestWord;

    Content::Sources m_sources;
    ReadFailureReport m_report;
    std::unique_ptr<WordUnit> m_currentUnit;
    QPushButton *m_nextButton = nullptr;
    QPushButton *m_startButton = nullptr;
    QPushButton *m_backButton = nullptr;
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
