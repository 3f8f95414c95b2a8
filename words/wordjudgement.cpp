#include "words/wordjudgement.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <utility>

namespace {

// The summary's weights (10 and 15) are on the old 0-99 scale. QFont::setLegacyWeight is
// compiled out with the deprecated API, so map them the way it does: to the named weight
// whose old value lies nearest (both become ExtraLight).
QFont::Weight fromLegacyWeight(int legacy)
{
    static constexpr std::pair<int, QFont::Weight> scale[] = {
        {0, QFont::Thin},    {12, QFont::ExtraLight}, {25, QFont::Light},
        {50, QFont::Normal}, {57, QFont::Medium},     {63, QFont::DemiBold},
        {75, QFont::Bold},   {81, QFont::ExtraBold},  {87, QFont::Black},
    };
    QFont::Weight nearest = QFont::Thin;
    int distance = std::numeric_limits<int>::max();
    for (const auto &[old, weight] : scale) {
        if (std::abs(old - legacy) >= distance)
            break;
        distance = std::abs(old - legacy);
        nearest = weight;
    }
    return nearest;
}

QFont summaryFont(const QString &family, int legacyWeight)
{
    QFont font(family, 15);
    font.setWeight(fromLegacyWeight(legacyWeight));
    return font;
}

// The word, its meaning and the mark, then what was typed.
constexpr int columns = 4;
constexpr int typedColumn = 3;

} // namespace

wordjudgement::wordjudgement(int rows, QWidget *parent)
    : QDialog(parent, Qt::WindowFlags())
    , m_rows(std::max(rows, 0))
{
    // Wider than the three columns of marks alone, for the column of what was typed.
    resize(700, 500);
    setFixedSize(700, 400);
    setWindowTitle(QStringLiteral("背单词总结"));

    m_quitButton = new QPushButton(QStringLiteral("退出背单词"), this);
    m_againButton = new QPushButton(QStringLiteral("重新背一次"), this);
    m_quitButton->setGeometry(100, 360, 100, 30);
    m_againButton->setGeometry(300, 360, 100, 30);
    // Offered once a wrong answer is in the table.
    m_wrongWordsButton = new QPushButton(QStringLiteral("只练错词"), this);
    m_wrongWordsButton->setGeometry(500, 360, 100, 30);
    m_wrongWordsButton->setEnabled(false);

    m_table = new QTableWidget(m_rows, columns, this);
    m_table->resize(700, 350);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);

    m_table->setHorizontalHeaderLabels({QStringLiteral("单词"), QStringLiteral("中文意思"),
                                        QStringLiteral("判断"), QStringLiteral("你的拼写")});
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    for (int column = 0; column < columns; ++column) {
        QTableWidgetItem *header = m_table->horizontalHeaderItem(column);
        header->setFont(summaryFont(QStringLiteral("楷体"), 10));
        header->setForeground(QColor(200, 111, 100));
    }

    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setColumnWidth(0, 186);
    m_table->setColumnWidth(1, 186);
    m_table->setColumnWidth(2, 90);
    m_table->setColumnWidth(typedColumn, 200);
    for (int row = 0; row < m_rows; ++row)
        m_table->setRowHeight(row, 30);

    // The captions and the slot names run crosswise: asking for another pass "quits" the
    // dialog with again set, leaving practice "returns" to the book.
    connect(m_quitButton, &QPushButton::clicked, this, &wordjudgement::returnbuttons);
    connect(m_againButton, &QPushButton::clicked, this, &wordjudgement::quitbuttons);
    connect(m_wrongWordsButton, &QPushButton::clicked, this, &wordjudgement::wrongwordsbuttons);
}

void wordjudgement::addresult(int row, const QString &english, const QString &meaning, bool right,
                              const QString &typed)
{
    // QTableWidget drops (and leaks) an item put outside the table, so say no up front.
    if (row < 0 || row >= m_rows)
        return;

    auto *englishItem = new QTableWidgetItem(english);
    m_table->setItem(row, 0, englishItem);
    auto *meaningItem = new QTableWidgetItem(meaning);
    m_table->setItem(row, 1, meaningItem);
    englishItem->setTextAlignment(Qt::AlignLeft);
    meaningItem->setTextAlignment(Qt::AlignHCenter);
    englishItem->setFont(summaryFont(QStringLiteral("Verdana"), 10));
    meaningItem->setFont(summaryFont(QStringLiteral("黑体"), 10));

    // What was typed is shown where it went wrong; a right answer is the word itself.
    auto *typedItem = new QTableWidgetItem(right ? QString() : typed);
    m_table->setItem(row, typedColumn, typedItem);
    typedItem->setFont(summaryFont(QStringLiteral("Verdana"), 10));

    QTableWidgetItem *markItem = nullptr;
    if (right) {
        markItem = new QTableWidgetItem(QStringLiteral("\u221A"));
        m_table->setItem(row, 2, markItem);
        for (QTableWidgetItem *item : {englishItem, meaningItem, markItem, typedItem})
            item->setForeground(QColor(0, 0, 0));
        for (QTableWidgetItem *item : {markItem, englishItem, meaningItem, typedItem})
            item->setBackground(QBrush(QColor(176, 224, 230), Qt::SolidPattern));
    } else {
        // A wrong row keeps the table's own text colour on its pink background.
        markItem = new QTableWidgetItem(QStringLiteral("\u00D7"));
        m_table->setItem(row, 2, markItem);
        for (QTableWidgetItem *item : {markItem, englishItem, meaningItem, typedItem})
            item->setBackground(QBrush(QColor(255, 192, 203), Qt::SolidPattern));
        m_wrongWordsButton->setEnabled(true);
    }
    markItem->setTextAlignment(Qt::AlignHCenter);
    markItem->setFont(summaryFont(QStringLiteral("黑体"), 15));
}

void wordjudgement::quitbuttons()
{
    m_again = true;
    close();
}

void wordjudgement::returnbuttons()
{
    m_again = false;
    close();
}

void wordjudgement::wrongwordsbuttons()
{
    m_again = true;
    m_wrongWordsOnly = true;
    close();
}
