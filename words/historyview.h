#pragma once

#include "progress/history.h"

#include <QDialog>
#include <QStringList>

class QChartView;
class QLabel;
class QPushButton;
class QTableWidget;

// "学习记录": a unit's history for the child and the parents. A chart of the finished passes
// over time, each by its share of right answers, the whole unit's passes as a line and the
// passes over chosen words as points apart; and the words most often wrong, with a button that
// asks for a pass over them. The caller runs it with exec() and reads chosenWords().
class HistoryView : public QDialog
{
    Q_OBJECT
public:
    // How many of the words most often wrong are listed and offered for a pass.
    static constexpr int listedWords = 10;

    HistoryView(History &history, int unit, const QString &unitName, QWidget *parent = nullptr);

    // The words the child asked to practise ("练这些词"); empty when the view was closed
    // otherwise.
    QStringList chosenWords() const { return m_chosen; }

private:
    void showPasses(const QList<History::Pass> &passes);
    void showWrongWords(const QList<History::WrongWord> &words);

    QLabel *m_summary = nullptr;
    QChartView *m_chartView = nullptr;
    QTableWidget *m_wrongWords = nullptr;
    QPushButton *m_practiseButton = nullptr;
    QPushButton *m_closeButton = nullptr;
    QStringList m_listed;
    QStringList m_chosen;
};
