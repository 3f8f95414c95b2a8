#include "tools/common/textfit.h"

#include <QList>
#include <QTest>

class TestTextFit : public QObject
{
    Q_OBJECT

private slots:
    void largestFitting_data()
    {
        QTest::addColumn<int>("largest");
        QTest::addColumn<int>("smallest");
        QTest::addColumn<int>("widestFitting"); // sizes up to this one fit
        QTest::addColumn<int>("found");         // 0 for nothing
        QTest::addColumn<QList<int>>("tried");

        QTest::newRow("the largest fits") << 20 << 10 << 30 << 20 << QList<int>{20};
        QTest::newRow("shrinks to the first that fits")
            << 20 << 10 << 17 << 17 << QList<int>{20, 19, 18, 17};
        QTest::newRow("the smallest is tried") << 12 << 10 << 10 << 10 << QList<int>{12, 11, 10};
        QTest::newRow("none fits") << 12 << 10 << 9 << 0 << QList<int>{12, 11, 10};
        QTest::newRow("one size only") << 8 << 8 << 8 << 8 << QList<int>{8};
        QTest::newRow("largest below smallest tries nothing") << 7 << 8 << 30 << 0 << QList<int>{};
    }

    void largestFitting()
    {
        QFETCH(int, largest);
        QFETCH(int, smallest);
        QFETCH(int, widestFitting);
        QFETCH(int, found);
        QFETCH(QList<int>, tried);

        QList<int> asked;
        const auto result = ::largestFitting(largest, smallest, [&](int size) {
            asked << size;
            return size <= widestFitting;
        });
        QCOMPARE(result.value_or(0), found);
        QCOMPARE(asked, tried);
    }
};

QTEST_APPLESS_MAIN(TestTextFit)
#include "tst_textfit.moc"
