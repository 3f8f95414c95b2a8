#include "words/wordjudgement.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QTableWidget *tableOf(wordjudgement &dialog)
{
    return dialog.findChild<QTableWidget *>();
}

QPushButton *buttonCalled(wordjudgement &dialog, const QString &caption)
{
    const QList<QPushButton *> buttons = dialog.findChildren<QPushButton *>();
    for (QPushButton *button : buttons) {
        if (button->text() == caption)
            return button;
    }
    return nullptr;
}

// The summary's fonts are weight 10 and 15 on the old 0-99 scale; Qt reads both as
// ExtraLight.
void checkFont(const QFont &font, const QString &family)
{
    QCOMPARE(font.family(), family);
    QCOMPARE(font.pointSize(), 15);
    QCOMPARE(font.weight(), QFont::ExtraLight);
}

} // namespace

class TestWordjudgement : public QObject
{
    Q_OBJECT

private slots:
    void window();
    void tableShape_data();
    void tableShape();
    void headers();
    void addresult_data();
    void addresult();
    void addresultOutsideTableIsIgnored();
    void leaving_data();
    void leaving();
    void cellsCannotBeEdited();
    void clickSelectsWholeRow();
};

void TestWordjudgement::window()
{
    QWidget parent;
    wordjudgement dialog(3, &parent);
    QCOMPARE(dialog.parentWidget(), &parent);
    QCOMPARE(dialog.windowTitle(), u"背单词总结"_s);
    QCOMPARE(dialog.size(), QSize(700, 400));
    QCOMPARE(dialog.minimumSize(), QSize(700, 400));
    QCOMPARE(dialog.maximumSize(), QSize(700, 400));
    QVERIFY(!dialog.again());
    QVERIFY(!dialog.wrongWordsOnly());

    QPushButton *quit = buttonCalled(dialog, u"退出背单词"_s);
    QPushButton *again = buttonCalled(dialog, u"重新背一次"_s);
    QVERIFY(quit);
    QVERIFY(again);
    QCOMPARE(quit->geometry(), QRect(100, 360, 100, 30));
    QCOMPARE(again->geometry(), QRect(300, 360, 100, 30));
    QCOMPARE(quit->font(), dialog.font());
    QCOMPARE(again->font(), dialog.font());
    QPushButton *wrongWords = buttonCalled(dialog, u"只练错词"_s);
    QVERIFY(wrongWords);
    QCOMPARE(wrongWords->geometry(), QRect(500, 360, 100, 30));
    QCOMPARE(wrongWords->font(), dialog.font());
    // Nothing wrong yet, nothing to practise.
    QVERIFY(!wrongWords->isEnabled());
}

void TestWordjudgement::tableShape_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("expectedRows");

    QTest::newRow("a unit of 25") << 25 << 25;
    QTest::newRow("one word") << 1 << 1;
    QTest::newRow("no words") << 0 << 0;
    QTest::newRow("negative") << -2 << 0;
}

void TestWordjudgement::tableShape()
{
    QFETCH(int, rows);
    QFETCH(int, expectedRows);

    wordjudgement dialog(rows, nullptr);
    QTableWidget *table = tableOf(dialog);
    QVERIFY(table);
    QCOMPARE(table->geometry(), QRect(0, 0, 700, 350));
    QCOMPARE(table->rowCount(), expectedRows);
    QCOMPARE(table->columnCount(), 4);
    QCOMPARE(table->columnWidth(0), 186);
    QCOMPARE(table->columnWidth(1), 186);
    QCOMPARE(table->columnWidth(2), 90);
    QCOMPARE(table->columnWidth(3), 200);
    for (int row = 0; row < expectedRows; ++row) {
        QCOMPARE(table->rowHeight(row), 30);
        for (int column = 0; column < 4; ++column)
            QVERIFY(!table->item(row, column));
    }
    QCOMPARE(table->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(table->horizontalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    QCOMPARE(table->horizontalHeader()->sectionResizeMode(2), QHeaderView::Fixed);
    QCOMPARE(table->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    QVERIFY(table->verticalHeader()->isVisibleTo(&dialog));
}

void TestWordjudgement::headers()
{
    wordjudgement dialog(2, nullptr);
    QTableWidget *table = tableOf(dialog);
    const QStringList labels{u"单词"_s, u"中文意思"_s, u"判断"_s, u"你的拼写"_s};
    for (int column = 0; column < 4; ++column) {
        QTableWidgetItem *header = table->horizontalHeaderItem(column);
        QVERIFY(header);
        QCOMPARE(header->text(), labels.at(column));
        checkFont(header->font(), u"楷体"_s);
        QCOMPARE(header->foreground().color(), QColor(200, 111, 100));
    }
}

void TestWordjudgement::addresult_data()
{
    QTest::addColumn<bool>("right");
    QTest::addColumn<QString>("mark");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<bool>("blackText");
    QTest::addColumn<QString>("typedShown");

    QTest::newRow("right") << true << u"\u221A"_s << QColor(176, 224, 230) << true << QString();
    QTest::newRow("wrong") << false << u"\u00D7"_s << QColor(255, 192, 203) << false
                           << u"post  ofice "_s;
}

void TestWordjudgement::addresult()
{
    QFETCH(bool, right);
    QFETCH(QString, mark);
    QFETCH(QColor, background);
    QFETCH(bool, blackText);
    QFETCH(QString, typedShown);

    wordjudgement dialog(3, nullptr);
    dialog.addresult(1, u"post office"_s, u"邮局"_s, right,
                     right ? u"post office"_s : u"post  ofice "_s);
    QTableWidget *table = tableOf(dialog);

    for (int column = 0; column < 4; ++column) {
        QVERIFY(!table->item(0, column));
        QVERIFY(!table->item(2, column));
    }
    QTableWidgetItem *english = table->item(1, 0);
    QTableWidgetItem *meaning = table->item(1, 1);
    QTableWidgetItem *judgement = table->item(1, 2);
    QTableWidgetItem *typed = table->item(1, 3);
    QVERIFY(english && meaning && judgement && typed);
    // What was typed, blanks and all, where it went wrong.
    QCOMPARE(typed->text(), typedShown);
    checkFont(typed->font(), u"Verdana"_s);
    QCOMPARE(buttonCalled(dialog, u"只练错词"_s)->isEnabled(), !right);

    QCOMPARE(english->text(), u"post office"_s);
    QCOMPARE(meaning->text(), u"邮局"_s);
    QCOMPARE(judgement->text(), mark);
    QCOMPARE(english->textAlignment(), int(Qt::AlignLeft));
    QCOMPARE(meaning->textAlignment(), int(Qt::AlignHCenter));
    QCOMPARE(judgement->textAlignment(), int(Qt::AlignHCenter));
    checkFont(english->font(), u"Verdana"_s);
    checkFont(meaning->font(), u"黑体"_s);
    checkFont(judgement->font(), u"黑体"_s);

    for (QTableWidgetItem *item : {english, meaning, judgement, typed}) {
        QCOMPARE(item->background().style(), Qt::SolidPattern);
        QCOMPARE(item->background().color(), background);
        // A wrong row keeps whatever text colour the table has.
        if (blackText)
            QCOMPARE(item->foreground().color(), QColor(0, 0, 0));
        else
            QVERIFY(!item->data(Qt::ForegroundRole).isValid());
    }
}

void TestWordjudgement::addresultOutsideTableIsIgnored()
{
    wordjudgement dialog(2, nullptr);
    dialog.addresult(-1, u"a"_s, u"b"_s, true);
    dialog.addresult(2, u"a"_s, u"b"_s, false);
    QTableWidget *table = tableOf(dialog);
    QCOMPARE(table->rowCount(), 2);
    QVERIFY(!buttonCalled(dialog, u"只练错词"_s)->isEnabled());
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 4; ++column)
            QVERIFY(!table->item(row, column));
    }
}

void TestWordjudgement::leaving_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("again");
    QTest::addColumn<bool>("wrongWordsOnly");

    QTest::newRow("重新背一次") << u"重新背一次"_s << true << false;
    QTest::newRow("只练错词") << u"只练错词"_s << true << true;
    QTest::newRow("退出背单词") << u"退出背单词"_s << false << false;
    QTest::newRow("close button") << u"close"_s << false << false;
    QTest::newRow("Escape") << u"escape"_s << false << false;
}

void TestWordjudgement::leaving()
{
    QFETCH(QString, how);
    QFETCH(bool, again);
    QFETCH(bool, wrongWordsOnly);

    wordjudgement dialog(2, nullptr);
    dialog.addresult(0, u"bank"_s, u"银行"_s, false, u"bnak"_s);
    dialog.addresult(1, u"zoo"_s, u"动物园"_s, true, u"zoo"_s);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    if (how == u"close")
        QVERIFY(dialog.close());
    else if (how == u"escape")
        QTest::keyClick(&dialog, Qt::Key_Escape);
    else
        QTest::mouseClick(buttonCalled(dialog, how), Qt::LeftButton);

    QVERIFY(dialog.isHidden());
    QCOMPARE(dialog.again(), again);
    QCOMPARE(dialog.wrongWordsOnly(), wrongWordsOnly);
}

void TestWordjudgement::cellsCannotBeEdited()
{
    wordjudgement dialog(2, nullptr);
    dialog.addresult(0, u"science"_s, u"科学"_s, true);
    dialog.addresult(1, u"tell"_s, u"告诉"_s, false);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTableWidget *table = tableOf(dialog);

    const QPoint cell = table->visualItemRect(table->item(0, 0)).center();
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, cell);
    QTest::keyClick(table, Qt::Key_F2);
    QTest::keyClicks(table, u"xyz"_s);
    QTest::keyClick(table, Qt::Key_Return);

    QVERIFY(!table->findChild<QLineEdit *>());
    QCOMPARE(table->item(0, 0)->text(), u"science"_s);
}

void TestWordjudgement::clickSelectsWholeRow()
{
    wordjudgement dialog(3, nullptr);
    dialog.addresult(0, u"science"_s, u"科学"_s, true);
    dialog.addresult(1, u"GPS"_s, u"全球定位系统"_s, false);
    dialog.addresult(2, u"tell"_s, u"告诉"_s, true);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTableWidget *table = tableOf(dialog);

    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier,
                      table->visualItemRect(table->item(1, 1)).center());
    QVERIFY(table->selectionModel()->isRowSelected(1, QModelIndex()));
    const QList<QTableWidgetItem *> selected = table->selectedItems();
    QCOMPARE(selected.size(), 4);
    for (QTableWidgetItem *item : selected)
        QCOMPARE(item->row(), 1);
}

QTEST_MAIN(TestWordjudgement)
#include "tst_wordjudgement.moc"
