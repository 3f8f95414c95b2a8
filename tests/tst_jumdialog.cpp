#include "book/jumdialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TestJumpDialog : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void looks()
    {
        jumDialog dialog(nullptr);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("跳页"));
        QCOMPARE(dialog.size(), QSize(200, 100));
        QVERIFY(dialog.minimumSize() != dialog.maximumSize()); // resized, not fixed
        QCOMPARE(dialog.m_pageEdit->geometry(), QRect(20, 20, 60, 50));
        QCOMPARE(dialog.m_okButton->geometry(), QRect(90, 20, 80, 50));
        QCOMPARE(dialog.m_okButton->text(), QStringLiteral("确定"));
        for (const QWidget *w : {static_cast<QWidget *>(dialog.m_pageEdit),
                                 static_cast<QWidget *>(dialog.m_okButton)}) {
            QCOMPARE(w->font().family(), QStringLiteral("楷体"));
            QCOMPARE(w->font().pixelSize(), 25);
            QCOMPARE(w->font().weight(), QFont::Bold);
        }
        for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            QCOMPARE(dialog.m_okButton->palette().color(group, QPalette::ButtonText),
                     QColor(200, 100, 100));
        QCOMPARE(dialog.pageNumber(), 0);
    }

    void typing_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("locale"); // the program's locale while typing

        QTest::newRow("one digit") << "7"
                                   << "7" << 7 << "C";
        QTest::newRow("ten") << "10"
                             << "10" << 10 << "C";
        QTest::newRow("a second 1 after 1 is refused") << "11"
                                                       << "1" << 1 << "C";
        QTest::newRow("nothing above ten") << "99"
                                           << "9" << 9 << "C";
        QTest::newRow("zero is unfinished, reads as nothing") << "0"
                                                              << "0" << 0 << "C";
        QTest::newRow("no sign") << "-3"
                                 << "3" << 3 << "C";
        QTest::newRow("no letters") << "a5b"
                                    << "5" << 5 << "C";
        QTest::newRow("empty") << ""
                               << "" << 0 << "C";

        QTest::newRow("no plus sign") << "+"
                                      << "" << 0 << "C";
        QTest::newRow("no plus sign before a page") << "+5"
                                                    << "5" << 5 << "C";
        QTest::newRow("no group separator, C") << "1,0"
                                               << "10" << 10 << "C";
        QTest::newRow("no group separator, en_US") << "1,0"
                                                   << "10" << 10 << "en_US";
        QTest::newRow("no group separator, de_DE") << "1.0"
                                                   << "10" << 10 << "de_DE";
        QTest::newRow("no space") << " 5 "
                                  << "5" << 5 << "C";
        QTest::newRow("no Arabic-Indic digit") << "٥"
                                               << "" << 0 << "ar_EG";
        QTest::newRow("no full-width digit") << "５"
                                             << "" << 0 << "zh_CN";
        QTest::newRow("plain digits in any locale") << "7"
                                                    << "7" << 7 << "ar_EG";
    }

    void typing()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QFETCH(int, page);
        QFETCH(QString, locale);

        QLocale::setDefault(QLocale(locale));
        jumDialog dialog(nullptr);
        QTimer::singleShot(0, &dialog, [&] {
            // One key at a time, each with its text: keyClicks() knows only ASCII.
            for (const QChar c : typed) {
                for (const auto action : {QTest::Press, QTest::Release})
                    QTest::sendKeyEvent(action, dialog.m_pageEdit, Qt::Key_unknown, QString(c),
                                        Qt::NoModifier);
            }
            dialog.m_okButton->click();
        });
        dialog.exec();
        QCOMPARE(dialog.m_pageEdit->text(), kept);
        QCOMPARE(dialog.pageNumber(), page);
        QVERIFY(!dialog.isVisible());
    }

    void dismissedReadsNothing()
    {
        jumDialog dialog(nullptr);
        QTimer::singleShot(0, &dialog, [&] {
            QTest::keyClicks(dialog.m_pageEdit, QStringLiteral("6"));
            dialog.reject(); // Escape or the title bar's close button
        });
        dialog.exec();
        QCOMPARE(dialog.pageNumber(), 0);
    }
};

QTEST_MAIN(TestJumpDialog)
#include "tst_jumdialog.moc"
