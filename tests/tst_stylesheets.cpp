// The two compiled-in style sheets and the pictures they cut up. A button shows nothing but
// the slice its rule names, so a wrong number, a sheet Qt cannot parse or a face drawn across
// a slice edge shows up on screen as a wrong, cut or empty button.

#include "app/application.h"
#include "content/interfaceimage.h"
#include "content/layout.h"
#include "tools/artwork/programbuttons.h"
#include "tools/artwork/sheetrules.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTest>

#include <algorithm>
#include <array>
#include <functional>

namespace {

struct Comment
{
    QString text;
    qsizetype ruleIndex = 0; // the rule right below it
    bool operator==(const Comment &) const = default;
};

struct Sheet
{
    QList<SheetRule> rules;
    QList<Comment> comments;
};

// The normal, hover and pressed rules of one button, each slice given as top right bottom left.
QList<SheetRule> button(const QString &objectName, const QString &image,
                        std::initializer_list<std::array<int, 4>> looks)
{
    static const QString states[] = {QString(), QStringLiteral("hover"), QStringLiteral("pressed")};
    QList<SheetRule> rules;
    int i = 0;
    for (const auto &[t, r, b, l] : looks)
        rules.append({QStringLiteral("QPushButton"), objectName, states[i++], image, t, r, b, l});
    return rules;
}

const QString buttonPng = QStringLiteral("button.png");
const QString interactPng = QStringLiteral("interact.png");
const QString fullbuttonPng = QStringLiteral("fullbutton.png");
const QString historyPng = QStringLiteral("history.png");
const QString readbuttonPng = QStringLiteral("readbutton.png");
const QString readfullbuttonPng = QStringLiteral("readfullbutton.png");

Sheet windowSheet()
{
    Sheet s;
    s.rules.append({QStringLiteral("QLabel"),
                    QStringLiteral("face"),
                    {},
                    QStringLiteral("default.jpg"),
                    0,
                    0,
                    0,
                    0});
    auto add = [&s](const QString &comment, const QList<SheetRule> &rules) {
        s.comments.append({comment, s.rules.size()});
        s.rules.append(rules);
    };
    add(QStringLiteral("设置动画按钮外观"),
        button(QStringLiteral("directory"), buttonPng,
               {{0, 240, 166, 0}, {0, 140, 166, 100}, {0, 39, 166, 200}}));
    add(QStringLiteral("设置退出按钮外观"),
        button(QStringLiteral("qut"), buttonPng,
               {{150, 236, 11, 0}, {150, 136, 11, 100}, {150, 35, 11, 200}}));
    add(QStringLiteral("设置动画下一页外观"),
        button(QStringLiteral("next"), buttonPng,
               {{100, 211, 62, 0}, {100, 111, 62, 100}, {100, 11, 62, 200}}));
    add(QStringLiteral("设置上一页按钮外观"),
        button(QStringLiteral("up"), buttonPng,
               {{45, 222, 118, 0}, {45, 122, 118, 100}, {45, 21, 118, 200}}));
    add(QStringLiteral("设置找一找按钮外观"),
        button(QStringLiteral("find"), interactPng,
               {{1, 223, 382, 4}, {1, 119, 382, 109}, {1, 16, 382, 212}}));
    add(QStringLiteral("设置跳页按钮外观"),
        button(QStringLiteral("jump"), interactPng,
               {{168, 223, 216, 4}, {168, 119, 216, 109}, {168, 16, 216, 212}}));
    add(QStringLiteral("设置全屏按钮外观"),
        button(QStringLiteral("full"), interactPng,
               {{41, 223, 343, 4}, {41, 119, 343, 109}, {41, 16, 343, 212}}));
    add(QStringLiteral("设置背单词按钮外观"),
        button(QStringLiteral("word"), interactPng,
               {{123, 223, 262, 4}, {123, 119, 262, 109}, {123, 16, 262, 212}}));
    add(QStringLiteral("设置背下一个单词按钮外观"),
        button(QStringLiteral("nextword"), interactPng,
               {{213, 224, 165, 3}, {258, 224, 118, 3}, {304, 224, 73, 3}}));
    add(QStringLiteral("设置背返回按钮外观"),
        button(QStringLiteral("goback"), interactPng,
               {{213, 119, 165, 109}, {258, 119, 118, 109}, {304, 119, 73, 109}}));
    add(QStringLiteral("设置学习记录按钮外观"),
        button(QStringLiteral("history"), historyPng,
               {{1, 5, 87, 5}, {44, 5, 44, 5}, {87, 5, 1, 5}}));
    add(QStringLiteral("设置动画按钮外观"),
        button(QStringLiteral("flash"), interactPng,
               {{82, 223, 304, 4}, {82, 119, 304, 109}, {82, 16, 304, 212}}));
    add(QStringLiteral("设置连读按钮外观"),
        button(QStringLiteral("readon"), readbuttonPng,
               {{2, 190, 82, 2}, {2, 96, 82, 96}, {2, 2, 82, 190}}));
    add(QStringLiteral("设置复读按钮外观"),
        button(QStringLiteral("repeat"), readbuttonPng,
               {{42, 190, 42, 2}, {42, 96, 42, 96}, {42, 2, 42, 190}}));
    add(QStringLiteral("设置跟读按钮外观"),
        button(QStringLiteral("sayafter"), readbuttonPng,
               {{82, 190, 2, 2}, {82, 96, 2, 96}, {82, 2, 2, 190}}));
    return s;
}

Sheet fullScreenSheet()
{
    Sheet s;
    auto add = [&s](const QString &comment, const QList<SheetRule> &rules) {
        s.comments.append({comment, s.rules.size()});
        s.rules.append(rules);
    };
    add(QStringLiteral("设置目录按钮外观"),
        button(QStringLiteral("directory"), fullbuttonPng,
               {{51, 141, 254, 91}, {50, 59, 255, 173}, {51, 221, 254, 11}}));
    add(QStringLiteral("设置退出按钮外观"),
        button(QStringLiteral("qut"), buttonPng,
               {{150, 236, 11, 0}, {150, 136, 11, 100}, {150, 35, 11, 200}}));
    add(QStringLiteral("设置动画下一页外观"),
        button(QStringLiteral("next"), fullbuttonPng,
               {{308, 147, 6, 87}, {308, 59, 7, 176}, {308, 222, 7, 14}}));
    add(QStringLiteral("设置上一页按钮外观"),
        button(QStringLiteral("up"), fullbuttonPng,
               {{270, 150, 43, 85}, {270, 62, 43, 173}, {271, 226, 42, 9}}));
    add(QStringLiteral("设置找一找按钮外观"),
        button(QStringLiteral("find"), fullbuttonPng,
               {{227, 141, 78, 91}, {227, 59, 78, 173}, {227, 221, 78, 11}}));
    add(QStringLiteral("设置跳页按钮外观"),
        button(QStringLiteral("jump"), fullbuttonPng,
               {{95, 142, 210, 89}, {94, 60, 211, 172}, {94, 222, 210, 9}}));
    add(QStringLiteral("设置全屏按钮外观"),
        button(QStringLiteral("full"), fullbuttonPng,
               {{8, 141, 296, 91}, {8, 59, 296, 172}, {8, 221, 296, 10}}));
    add(QStringLiteral("设置背单词按钮外观"),
        button(QStringLiteral("word"), fullbuttonPng,
               {{138, 141, 167, 91}, {138, 59, 167, 172}, {138, 221, 167, 10}}));
    add(QStringLiteral("设置背下一个单词按钮外观"),
        button(QStringLiteral("nextword"), interactPng,
               {{213, 224, 165, 3}, {258, 224, 118, 3}, {304, 224, 73, 3}}));
    add(QStringLiteral("设置背返回按钮外观"),
        button(QStringLiteral("goback"), interactPng,
               {{213, 119, 165, 109}, {258, 119, 118, 109}, {304, 119, 73, 109}}));
    add(QStringLiteral("设置学习记录按钮外观"),
        button(QStringLiteral("history"), historyPng,
               {{1, 5, 87, 5}, {44, 5, 44, 5}, {87, 5, 1, 5}}));
    add(QStringLiteral("设置动画按钮外观"),
        button(QStringLiteral("flash"), fullbuttonPng,
               {{181, 141, 123, 91}, {182, 59, 123, 172}, {181, 221, 123, 11}}));
    add(QStringLiteral("设置连读按钮外观"),
        button(QStringLiteral("readon"), readfullbuttonPng,
               {{2, 146, 100, 2}, {2, 74, 100, 74}, {2, 2, 100, 146}}));
    add(QStringLiteral("设置复读按钮外观"),
        button(QStringLiteral("repeat"), readfullbuttonPng,
               {{51, 146, 51, 2}, {51, 74, 51, 74}, {51, 2, 51, 146}}));
    add(QStringLiteral("设置跟读按钮外观"),
        button(QStringLiteral("sayafter"), readfullbuttonPng,
               {{100, 146, 2, 2}, {100, 74, 2, 74}, {100, 2, 2, 146}}));
    return s;
}

QByteArray readResource(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Reads a sheet line by line in the one form the program's sheets are written in: comment
// lines, blank lines between buttons, and rules of exactly a selector line, the two
// declarations and a closing brace. Anything else is an error naming its line.
Sheet parseSheet(const QString &text, QString *error)
{
    static const QRegularExpression selectorLine(
        QStringLiteral(R"(^(QPushButton|QLabel)#(\w+)(?::(hover|pressed))?\{$)"));
    static const QRegularExpression imageLine(QStringLiteral(
        R"(^border-image:url\(:/Image/([\w.]+)\) (\d+) (\d+) (\d+) (\d+) stretch stretch;$)"));
    static const QRegularExpression commentLine(QStringLiteral(R"(^/\*(.*)\*/$)"));

    Sheet sheet;
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (lines.last().isEmpty())
        lines.removeLast();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines[i];
        const auto fail = [&](const QString &why) {
            *error = QStringLiteral("line %1 \"%2\": %3").arg(i + 1).arg(line, why);
            return Sheet{};
        };
        if (line.isEmpty())
            continue;
        if (const QRegularExpressionMatch m = commentLine.match(line); m.hasMatch()) {
            sheet.comments.append({m.captured(1), sheet.rules.size()});
            continue;
        }
        const QRegularExpressionMatch selector = selectorLine.match(line);
        if (!selector.hasMatch())
            return fail(QStringLiteral("expected a comment or a selector"));
        if (i + 3 >= lines.size())
            return fail(QStringLiteral("rule cut short"));
        if (lines[i + 1] != u"border-width :0px;")
            return fail(QStringLiteral("expected \"border-width :0px;\" below"));
        const QRegularExpressionMatch image = imageLine.match(lines[i + 2]);
        if (!image.hasMatch())
            return fail(QStringLiteral("expected the border image two lines below"));
        if (lines[i + 3] != u"}")
            return fail(QStringLiteral("expected \"}\" three lines below"));
        sheet.rules.append({selector.captured(1), selector.captured(2), selector.captured(3),
                            image.captured(1), image.captured(2).toInt(), image.captured(3).toInt(),
                            image.captured(4).toInt(), image.captured(5).toInt()});
        i += 3;
    }
    return sheet;
}

QStringList warnings;

void recordWarnings(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        warnings.append(message);
}

// Widgets named as in the program, so every selector of a sheet finds its widget.
struct NamedWidgets
{
    QWidget window;
    QList<QWidget *> children;

    NamedWidgets()
    {
        window.resize(Layout::windowSize);
        auto *face = new QLabel(&window);
        face->setObjectName(QStringLiteral("face"));
        face->setGeometry(Layout::face);
        children.append(face);
        QStringList names;
        for (const Layout::ButtonPlace &place : Layout::buttons)
            names << place.objectName.toString();
        // The practice view's buttons.
        names << QStringLiteral("nextword") << QStringLiteral("goback")
              << QStringLiteral("history");
        for (const QString &name : std::as_const(names)) {
            auto *b = new QPushButton(&window);
            b->setObjectName(name);
            b->resize(buttonSize(name, false));
            children.append(b);
        }
    }

    // Polishes and paints every widget, which is when Qt parses the application's sheet and
    // loads its images.
    void paintAll()
    {
        window.ensurePolished();
        for (QWidget *child : std::as_const(children)) {
            child->ensurePolished();
            child->grab();
        }
    }
};

// Runs `install` and paints the program's widgets with the resulting sheet; returns what Qt
// warned meanwhile.
QStringList warningsWhile(const std::function<void()> &install)
{
    NamedWidgets widgets;
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(recordWarnings);
    install();
    widgets.paintAll();
    qInstallMessageHandler(previous);
    qApp->setStyleSheet(QString());
    return warnings;
}

} // namespace

class tst_stylesheets : public QObject
{
    Q_OBJECT

private slots:
    void encoding_data();
    void encoding();
    void rules_data();
    void rules();
    void comments_data();
    void comments();
    void imageSizes_data();
    void imageSizes();
    void slicesInsideImages_data();
    void slicesInsideImages();
    void slicesDoNotOverlap_data();
    void slicesDoNotOverlap();
    void facesStayInsideSlices_data();
    void facesStayInsideSlices();
    void brokenSheetIsNoticed();
    void parsesWithoutWarnings_data();
    void parsesWithoutWarnings();
    void buttonsShowTheirSlice_data();
    void buttonsShowTheirSlice();
    void namesAtScale_data();
    void namesAtScale();
    void sheetsAt2x_data();
    void sheetsAt2x();
    void pictureWithout2xKeepsItsRule();
};

static void addSheetRows()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("fullScreen");
    QTest::newRow("windowed") << windowStyleSheet << false;
    QTest::newRow("full screen") << fullScreenStyleSheet << true;
}

static Sheet expectedSheet(bool fullScreen)
{
    return fullScreen ? fullScreenSheet() : windowSheet();
}

static Sheet readSheet(const QString &path, QString *error)
{
    const QByteArray bytes = readResource(path);
    if (bytes.isEmpty()) {
        *error = QStringLiteral("%1 is missing or empty").arg(path);
        return {};
    }
    return parseSheet(QString::fromUtf8(bytes), error);
}

void tst_stylesheets::encoding_data()
{
    addSheetRows();
}

void tst_stylesheets::encoding()
{
    QFETCH(QString, path);
    const QByteArray bytes = readResource(path);
    QVERIFY2(!bytes.isEmpty(), qPrintable(path));

    // Read as UTF-8 by the program: a byte-order mark would end up in the first selector.
    QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    QVERIFY2(!decoder.hasError(), "not valid UTF-8");

    QVERIFY(bytes.endsWith("\r\n"));
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n')
            QVERIFY2(i > 0 && bytes[i - 1] == '\r',
                     qPrintable(QStringLiteral("bare LF at byte %1").arg(i)));
        if (bytes[i] == '\r')
            QVERIFY2(i + 1 < bytes.size() && bytes[i + 1] == '\n',
                     qPrintable(QStringLiteral("bare CR at byte %1").arg(i)));
    }
}

void tst_stylesheets::rules_data()
{
    addSheetRows();
}

void tst_stylesheets::rules()
{
    QFETCH(QString, path);
    QFETCH(bool, fullScreen);
    QString error;
    const Sheet actual = readSheet(path, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const QList<SheetRule> expected = expectedSheet(fullScreen).rules;
    for (qsizetype i = 0; i < std::min(actual.rules.size(), expected.size()); ++i) {
        const SheetRule &a = actual.rules[i];
        const SheetRule &e = expected[i];
        QVERIFY2(
            a == e,
            qPrintable(QStringLiteral("rule %1: %2 %3 %4 %5 %6 %7, expected %8 %9 %10 %11 %12 %13")
                           .arg(i + 1)
                           .arg(a.selector(), a.image)
                           .arg(a.top)
                           .arg(a.right)
                           .arg(a.bottom)
                           .arg(a.left)
                           .arg(e.selector(), e.image)
                           .arg(e.top)
                           .arg(e.right)
                           .arg(e.bottom)
                           .arg(e.left)));
    }
    QCOMPARE(actual.rules.size(), expected.size());
}

void tst_stylesheets::comments_data()
{
    addSheetRows();
}

void tst_stylesheets::comments()
{
    QFETCH(QString, path);
    QFETCH(bool, fullScreen);
    QString error;
    const Sheet actual = readSheet(path, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const QList<Comment> expected = expectedSheet(fullScreen).comments;
    for (qsizetype i = 0; i < std::min(actual.comments.size(), expected.size()); ++i) {
        QCOMPARE(actual.comments[i].text, expected[i].text);
        // Directly above the first rule of its button.
        QCOMPARE(actual.comments[i].ruleIndex, expected[i].ruleIndex);
    }
    QCOMPARE(actual.comments.size(), expected.size());
}

void tst_stylesheets::imageSizes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::newRow("splash") << QStringLiteral(":/Image/start.png") << QSize(800, 441);
    QTest::newRow("backdrop") << QStringLiteral(":/Image/full.jpg") << QSize(1680, 1050);
    QTest::newRow("quit icon") << QStringLiteral(":/Image/qut_ico.png") << QSize(150, 150);
    QTest::newRow("window background") << QStringLiteral(":/Image/default.jpg") << QSize(1100, 723);
    QTest::newRow("word background") << QStringLiteral(":/Image/word.jpg") << QSize(1100, 723);
    QTest::newRow("button.png") << QStringLiteral(":/Image/button.png") << QSize(300, 194);
    QTest::newRow("interact.png") << QStringLiteral(":/Image/interact.png") << QSize(318, 420);
    QTest::newRow("fullbutton.png") << QStringLiteral(":/Image/fullbutton.png") << QSize(299, 345);
    QTest::newRow("history.png") << QStringLiteral(":/Image/history.png") << QSize(100, 130);
    QTest::newRow("readbutton.png") << QStringLiteral(":/Image/readbutton.png") << QSize(284, 122);
    QTest::newRow("readfullbutton.png")
        << QStringLiteral(":/Image/readfullbutton.png") << QSize(218, 149);
}

// Each picture, and its @2x picture at twice the pixels for screens above 100 %.
void tst_stylesheets::imageSizes()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QImage image(path);
    QVERIFY2(!image.isNull(), qPrintable(path));
    QCOMPARE(image.size(), size);
    const QImage twice(atScale(path, 2));
    QVERIFY2(!twice.isNull(), qPrintable(atScale(path, 2)));
    QCOMPARE(twice.size(), size * 2);
}

void tst_stylesheets::slicesInsideImages_data()
{
    addSheetRows();
}

void tst_stylesheets::slicesInsideImages()
{
    QFETCH(QString, path);
    QList<SheetRule> rules;
    QVERIFY_THROWS_NO_EXCEPTION(rules = readSheetRules(path));
    for (const SheetRule &rule : rules) {
        const QImage image(QStringLiteral(":/Image/") + rule.image);
        QVERIFY2(!image.isNull(),
                 qPrintable(rule.selector() + QStringLiteral(": no image ") + rule.image));
        const QRect slice = rule.slice(image.size());
        QVERIFY2(!slice.isEmpty() && image.rect().contains(slice),
                 qPrintable(rule.selector() + QStringLiteral(" cuts outside ") + rule.image));
    }
}

void tst_stylesheets::slicesDoNotOverlap_data()
{
    addSheetRows();
}

// Two looks that share pixels would show a piece of each other: a hover look with the edge of
// the pressed face, or one button with a neighbour's label.
void tst_stylesheets::slicesDoNotOverlap()
{
    QFETCH(QString, path);
    QList<SheetRule> rules;
    QVERIFY_THROWS_NO_EXCEPTION(rules = readSheetRules(path));
    for (qsizetype i = 0; i < rules.size(); ++i) {
        const QSize size = QImage(QStringLiteral(":/Image/") + rules[i].image).size();
        for (qsizetype j = i + 1; j < rules.size(); ++j) {
            if (rules[j].image != rules[i].image)
                continue;
            QVERIFY2(!rules[i].slice(size).intersects(rules[j].slice(size)),
                     qPrintable(rules[i].selector() + QStringLiteral(" overlaps ") +
                                rules[j].selector()));
        }
    }
}

void tst_stylesheets::facesStayInsideSlices_data()
{
    QTest::addColumn<QString>("image");
    QTest::newRow("button.png") << buttonPng;
    QTest::newRow("interact.png") << interactPng;
    QTest::newRow("fullbutton.png") << fullbuttonPng;
    QTest::newRow("history.png") << historyPng;
    QTest::newRow("readbutton.png") << readbuttonPng;
    QTest::newRow("readfullbutton.png") << readfullbuttonPng;
}

// A face that reaches past the slice edge loses that part on screen; every painted pixel of a
// sprite sheet must be inside a slice of one of the sheets.
void tst_stylesheets::facesStayInsideSlices()
{
    QFETCH(QString, image);
    QList<SheetRule> rules;
    QVERIFY_THROWS_NO_EXCEPTION(rules = readSheetRules(windowStyleSheet) +
                                        readSheetRules(fullScreenStyleSheet));

    const QImage sprite =
        QImage(QStringLiteral(":/Image/") + image).convertToFormat(QImage::Format_ARGB32);
    QVERIFY(!sprite.isNull());
    QList<QRect> slices;
    for (const SheetRule &rule : std::as_const(rules))
        if (rule.image == image)
            slices.append(rule.slice(sprite.size()));
    QVERIFY(!slices.isEmpty());

    for (const QRect &slice : std::as_const(slices))
        QVERIFY2(qAlpha(sprite.pixel(slice.center())) == 255,
                 qPrintable(QStringLiteral("no face in the middle of the slice at %1,%2")
                                .arg(slice.x())
                                .arg(slice.y())));
    for (int y = 0; y < sprite.height(); ++y)
        for (int x = 0; x < sprite.width(); ++x) {
            if (qAlpha(sprite.pixel(x, y)) == 0)
                continue;
            const bool inside =
                std::any_of(slices.cbegin(), slices.cend(),
                            [x, y](const QRect &slice) { return slice.contains(x, y); });
            QVERIFY2(
                inside,
                qPrintable(QStringLiteral("painted pixel %1,%2 lies in no slice").arg(x).arg(y)));
        }
}

// Makes sure the next test would notice: Qt reports a sheet it cannot parse only as a warning.
void tst_stylesheets::brokenSheetIsNoticed()
{
    const QStringList seen = warningsWhile([] {
        qApp->setStyleSheet(QStringLiteral(
            "QPushButton#next{\r\nborder-width :0px;\r\nborder-image:url(:/Image/button.png) 100 "
            "211 62 0 stretch stretch;\r\n"));
    });
    QVERIFY(seen.join(u'\n').contains(u"Could not parse"));
}

void tst_stylesheets::parsesWithoutWarnings_data()
{
    addSheetRows();
}

void tst_stylesheets::parsesWithoutWarnings()
{
    QFETCH(QString, path);
    const QStringList seen = warningsWhile([&path] { installStyleSheet(path); });
    QVERIFY2(seen.isEmpty(), qPrintable(seen.join(u'\n')));
}

void tst_stylesheets::buttonsShowTheirSlice_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("fullScreen");
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QString>("state");
    for (const bool fullScreen : {false, true}) {
        const Sheet sheet = expectedSheet(fullScreen);
        for (const SheetRule &rule : sheet.rules) {
            if (rule.widgetClass != u"QPushButton")
                continue;
            QTest::addRow("%s %s", fullScreen ? "full screen" : "windowed",
                          qPrintable(rule.selector()))
                << (fullScreen ? fullScreenStyleSheet : windowStyleSheet) << fullScreen
                << rule.objectName << rule.state;
        }
    }
}

// With the sheet installed, a button at its size in the program looks like its own slice
// stretched over it, not like Qt's plain button or a neighbouring face.
void tst_stylesheets::buttonsShowTheirSlice()
{
    QFETCH(QString, path);
    QFETCH(bool, fullScreen);
    QFETCH(QString, objectName);
    QFETCH(QString, state);

    QList<SheetRule> rules;
    QVERIFY_THROWS_NO_EXCEPTION(rules = readSheetRules(path));
    const auto rule = std::find_if(rules.cbegin(), rules.cend(), [&](const SheetRule &r) {
        return r.objectName == objectName && r.state == state;
    });
    QVERIFY(rule != rules.cend());

    // On a screen above 100 % (the runs at 150 % and 200 %) the button shows the same slice of
    // the @2x picture, at the screen's pixels.
    const qreal ratio = qApp->devicePixelRatio();
    const int scale = ratio > 1 ? 2 : 1;
    const QImage sprite(QStringLiteral(":/Image/") + atScale(rule->image, scale));
    const QRect slice = rule->slice(sprite.size() / scale);
    const QSize size = (QSizeF(buttonSize(objectName, fullScreen)) * ratio).toSize();
    const QImage expected = sprite.copy(QRect(slice.topLeft() * scale, slice.size() * scale))
                                .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                .convertToFormat(QImage::Format_ARGB32);

    installStyleSheet(path);
    const QImage shown = renderedRule(*rule, fullScreen).convertToFormat(QImage::Format_ARGB32);
    qApp->setStyleSheet(QString());
    QCOMPARE(shown.size(), size);

    // Compared where the face is opaque: its rounded corners let the background through.
    qint64 difference = 0;
    qint64 pixels = 0;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const QRgb e = expected.pixel(x, y);
            if (qAlpha(e) < 255)
                continue;
            const QRgb s = shown.pixel(x, y);
            difference += std::abs(qRed(e) - qRed(s)) + std::abs(qGreen(e) - qGreen(s)) +
                          std::abs(qBlue(e) - qBlue(s));
            ++pixels;
        }
    QVERIFY(pixels > size.width() * size.height() / 2);
    const double mean = double(difference) / double(3 * pixels);
    // At 150 % Qt scales the 2x face down its own way, a little apart from a smooth scaling.
    const double tolerance = ratio == scale ? 4.0 : 6.0;
    QVERIFY2(mean < tolerance,
             qPrintable(QStringLiteral("differs from its slice by %1 per channel").arg(mean)));
}

void tst_stylesheets::namesAtScale_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("scale");
    QTest::addColumn<QString>("name");
    QTest::newRow("1x") << "button.png" << 1 << "button.png";
    QTest::newRow("2x") << "button.png" << 2 << "button@2x.png";
    QTest::newRow("resource path") << ":/Image/full.jpg" << 2 << ":/Image/full@2x.jpg";
    QTest::newRow("no extension") << "pictures.v2/owl" << 2 << "pictures.v2/owl@2x";
}

void tst_stylesheets::namesAtScale()
{
    QFETCH(QString, file);
    QFETCH(int, scale);
    QFETCH(QString, name);
    QCOMPARE(atScale(file, scale), name);
}

void tst_stylesheets::sheetsAt2x_data()
{
    addSheetRows();
}

// Above 100 % every rule cuts the same face out of the @2x picture: its numbers doubled, since
// Qt takes them as pixels of the picture it loaded. At 100 % the sheet is left as it is.
void tst_stylesheets::sheetsAt2x()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString sheet = QString::fromUtf8(file.readAll());
    QCOMPARE(styleSheetFor(sheet, 1.0), sheet);

    const QString twice = styleSheetFor(sheet, 1.5);
    QCOMPARE(styleSheetFor(sheet, 2.0), twice);
    QList<SheetRule> rules;
    QVERIFY_THROWS_NO_EXCEPTION(rules = readSheetRules(path));
    QCOMPARE(twice.count(QStringLiteral("url(")), twice.count(QStringLiteral("@2x.")));
    for (const SheetRule &rule : std::as_const(rules)) {
        const QString scaled =
            QStringLiteral("border-image:url(\":/Image/%1\") %2 %3 %4 %5 stretch stretch;")
                .arg(atScale(rule.image, 2))
                .arg(rule.top * 2)
                .arg(rule.right * 2)
                .arg(rule.bottom * 2)
                .arg(rule.left * 2);
        QVERIFY2(twice.contains(scaled),
                 qPrintable(rule.selector() + QStringLiteral(": ") + scaled));
    }
}

void tst_stylesheets::pictureWithout2xKeepsItsRule()
{
    const QString sheet = QStringLiteral("QLabel{border-image:url(:/Image/none.png) 1 2 3 4;}");
    QCOMPARE(styleSheetFor(sheet, 2.0), sheet);
}

QTEST_MAIN(tst_stylesheets)
#include "tst_stylesheets.moc"
