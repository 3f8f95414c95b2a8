#pragma once

#include <QDialog>

class QPushButton;
class QTableWidget;

// The summary at the end of a practice pass: one row per word of the unit with its meaning
// and a mark for right or wrong, and a choice between another pass and leaving practice.
// The caller fills the rows with addresult(), runs the dialog with exec() and reads again():
// true only when "重新背一次" was pressed; any other way of closing leaves it false.
class wordjudgement : public QDialog
{
    Q_OBJECT
public:
    explicit wordjudgement(int rows, QWidget *parent = nullptr);

    // Fills row `row` (0-based). Rows outside the table are ignored.
    void addresult(int row, const QString &english, const QString &meaning, bool right);

    bool again() const { return m_again; }

public slots:
    void quitbuttons();
    void returnbuttons();

private:
    QPushButton *m_quitButton = nullptr;
    QPushButton *m_againButton = nullptr;
    bool m_again = false;
    QTableWidget *m_table = nullptr;
    int m_rows = 0;
};
