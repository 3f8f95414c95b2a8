#pragma once

#include <QDialog>

class QPushButton;
class QTableWidget;

// The summary at the end of a practice pass: one row per word of the pass with its meaning,
// a mark for right or wrong and, for a wrong one, what was typed; and a choice between another
// pass, a pass over only the wrong words and leaving practice. The caller fills the rows with
// addresult(), runs the dialog with exec() and reads again(): true only when "重新背一次" or
// "只练错词" was pressed, and then wrongWordsOnly() tells which; any other way of closing
// leaves both false.
class wordjudgement : public QDialog
{
    Q_OBJECT
public:
    explicit wordjudgement(int rows, QWidget *parent = nullptr);

    // Fills row `row` (0-based); `typed` is shown for a wrong answer. Rows outside the table
    // are ignored.
    void addresult(int row, const QString &english, const QString &meaning, bool right,
                   const QString &typed = {});

    bool again() const { return m_again; }
    bool wrongWordsOnly() const { return m_wrongWordsOnly; }

public slots:
    void quitbuttons();
    void returnbuttons();
    void wrongwordsbuttons();

private:
    QPushButton *m_quitButton = nullptr;
    QPushButton *m_againButton = nullptr;
    QPushButton *m_wrongWordsButton = nullptr;
    bool m_again = false;
    bool m_wrongWordsOnly = false;
    QTableWidget *m_table = nullptr;
    int m_rows = 0;
};
