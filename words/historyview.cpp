#include "words/historyview.h"

#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QTableWidget>
#include <QValueAxis>

namespace {

QFont interfaceFont(const QString &family, int pixelSize)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    return font;
}

// A pass's share of right answers, in per cent of its words.
qreal score(const History::Pass &pass)
{
    return pass.words > 0 ? 100.0 * pass.right / pass.words : 0.0;
}

} // namespace

HistoryView::HistoryView(History &history, int unit, const QString &unitName, QWidget *parent)
    : QDialog(parent)
{
    setFixedSize(780, 520);
    setWindowTitle(QStringLiteral("学习记录 - %1").arg(unitName));

    m_summary = new QLabel(this);
    m_summary->setGeometry(20, 10, 740, 36);
    m_summary->setFont(interfaceFont(QStringLiteral("黑体"), 18));
    m_summary->setWordWrap(true);

    m_chartView = new QChartView(this);
    m_chartView->setGeometry(10, 50, 520, 410);
    m_chartView->setRenderHint(QPainter::Antialiasing);

    auto *wrongTitle = new QLabel(QStringLiteral("最常写错的词"), this);
    wrongTitle->setGeometry(545, 50, 220, 30);
    wrongTitle->setFont(interfaceFont(QStringLiteral("楷体"), 22));

    m_wrongWords = new QTableWidget(0, 2, this);
    m_wrongWords->setGeometry(545, 85, 220, 330);
    m_wrongWords->setHorizontalHeaderLabels({QStringLiteral("单词"), QStringLiteral("错了")});
    m_wrongWords->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_wrongWords->setColumnWidth(0, 140);
    m_wrongWords->setColumnWidth(1, 50);
    m_wrongWords->verticalHeader()->hide();
    m_wrongWords->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_wrongWords->setSelectionMode(QAbstractItemView::NoSelection);

    m_practiseButton = new QPushButton(QStringLiteral("练这些词"), this);
    m_practiseButton->setGeometry(545, 425, 220, 36);
    m_practiseButton->setFont(interfaceFont(QStringLiteral("黑体"), 18));

    m_closeButton = new QPushButton(QStringLiteral("关闭"), this);
    m_closeButton->setGeometry(340, 475, 100, 30);

    if (history.isAvailable()) {
        showPasses(history.passes(unit));
        showWrongWords(history.mostOftenWrong(unit, listedWords));
    } else {
        showPasses({});
        showWrongWords({});
        m_summary->setText(QStringLiteral("学习记录用不了，这次的练习不会记下来。"));
    }

    connect(m_practiseButton, &QPushButton::clicked, this, [this] {
        m_chosen = m_listed;
        accept();
    });
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::reject);
}

void HistoryView::showPasses(const QList<History::Pass> &passes)
{
    auto *chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setAlignment(Qt::AlignBottom);

    auto *wholeUnit = new QLineSeries;
    wholeUnit->setName(QStringLiteral("整个单元"));
    wholeUnit->setPointsVisible(true);
    auto *chosenWords = new QScatterSeries;
    chosenWords->setName(QStringLiteral("只练部分单词"));
    chosenWords->setMarkerSize(9);

    QList<QPointF> wholePoints;
    QList<QPointF> chosenPoints;
    QDateTime first;
    QDateTime last;
    const History::Pass *latest = nullptr;
    int unfinished = 0;
    for (const History::Pass &pass : passes) {
        // Half a pass is no score: it is counted apart.
        if (!pass.finished) {
            ++unfinished;
            continue;
        }
        const QPointF point(qreal(pass.started.toMSecsSinceEpoch()), score(pass));
        (pass.wholeUnit ? wholePoints : chosenPoints).append(point);
        if (!first.isValid())
            first = pass.started;
        last = pass.started;
        latest = &pass;
    }
    wholeUnit->replace(wholePoints);
    chosenWords->replace(chosenPoints);
    chart->addSeries(wholeUnit);
    chart->addSeries(chosenWords);

    auto *time = new QDateTimeAxis;
    time->setTitleText(QStringLiteral("日期"));
    // A single day, or nothing yet, still gets an axis a day wide; its ticks then need the
    // hour to tell them apart.
    if (!first.isValid())
        first = last = QDateTime::currentDateTime();
    if (first.secsTo(last) < 24 * 3600)
        last = first.addSecs(24 * 3600);
    const bool days = first.daysTo(last) > 3;
    time->setFormat(days ? QStringLiteral("M月d日") : QStringLiteral("M月d日 H:mm"));
    time->setRange(first.addSecs(-3600), last.addSecs(3600));
    time->setTickCount(5);
    auto *share = new QValueAxis;
    share->setRange(0, 100);
    share->setTickCount(6);
    share->setLabelFormat(QStringLiteral("%d%%"));
    share->setTitleText(QStringLiteral("答对"));
    chart->addAxis(time, Qt::AlignBottom);
    chart->addAxis(share, Qt::AlignLeft);
    for (QAbstractSeries *series :
         {static_cast<QAbstractSeries *>(wholeUnit), static_cast<QAbstractSeries *>(chosenWords)}) {
        series->attachAxis(time);
        series->attachAxis(share);
    }
    m_chartView->setChart(chart);

    if (!latest) {
        m_summary->setText(QStringLiteral("这个单元还没有做完的练习。做完一次，这里就会画出来。"));
        return;
    }
    QString text = QStringLiteral("做完 %1 次，最近一次答对 %2 个，共 %3 个。")
                       .arg(wholePoints.size() + chosenPoints.size())
                       .arg(latest->right)
                       .arg(latest->words);
    if (unfinished > 0)
        text += QStringLiteral("另有 %1 次没做完。").arg(unfinished);
    m_summary->setText(text);
}

void HistoryView::showWrongWords(const QList<History::WrongWord> &words)
{
    m_wrongWords->setRowCount(int(words.size()));
    for (int row = 0; row < words.size(); ++row) {
        auto *english = new QTableWidgetItem(words[row].english);
        english->setFont(interfaceFont(QStringLiteral("Verdana"), 18));
        m_wrongWords->setItem(row, 0, english);
        auto *times = new QTableWidgetItem(QString::number(words[row].times));
        times->setTextAlignment(Qt::AlignCenter);
        m_wrongWords->setItem(row, 1, times);
        m_listed.append(words[row].english);
    }
    m_practiseButton->setEnabled(!m_listed.isEmpty());
}
