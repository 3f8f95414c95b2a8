#pragma once

// A second book, made from nothing inside a test: three spreads scanned at another size and
// shape than the page view's, spoken recordings as VBR MP3 (espeak-ng, sox, lame), a word
// list, and a contents table unlike the demo book's. Each spread's page is two flat colours,
// left and right, so a test can tell which page and which half a paint shows.

#include "content/content.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

struct SmallBook
{
    struct Item
    {
        QRect rect;      // in the 910 x 580 frame
        QString english; // what the recording says
        QString text;    // the TEXT, unique in the book, so a test can find its line
        int start = 0;   // ms
        int end = 0;
    };

    static constexpr QSize scanSize{1200, 900}; // 4 : 3, far from 910 : 580
    static inline const QList<int> contents{2, 1, -1};
    static constexpr int lastSpread = 2;

    QString folder;
    QList<QList<Item>> spreads = QList<QList<Item>>(3); // by spread; 0: the contents entries
    QList<Item> words;
    QString error; // why the book could not be made

    static QColor leftColour(int k) { return QColor::fromHsv(k * 120, 255, 230); }
    static QColor rightColour(int k) { return QColor::fromHsv(k * 120 + 60, 255, 230); }

    // Makes the book in `folder`, or says why not in `error`.
    explicit SmallBook(const QString &dir)
        : folder(dir)
    {
        spreads[0] = {{{100, 100, 301, 51}, {}, QStringLiteral("第一课 小鸟")},
                      {{100, 200, 301, 51}, {}, QStringLiteral("第二课 书包")},
                      {{100, 300, 301, 51}, {}, QStringLiteral("复习")}};
        spreads[1] = {{{60, 60, 341, 61},
                       QStringLiteral("Good morning, Miss Green."),
                       QStringLiteral("早上好, 格林老师.")},
                      {{60, 200, 341, 61},
                       QStringLiteral("This is my new school bag."),
                       QStringLiteral("这是我的新书包.")},
                      {{500, 300, 351, 61},
                       QStringLiteral("Let's go to the park."),
                       QStringLiteral("我们去公园吧.")}};
        spreads[2] = {{{100, 100, 321, 71},
                       QStringLiteral("I can see a red bird."),
                       QStringLiteral("我看见一只红色的鸟.")},
                      {{480, 400, 401, 71},
                       QStringLiteral("It is singing in the tree."),
                       QStringLiteral("它在树上唱歌.")}};
        words = {{{}, QStringLiteral("apple"), QStringLiteral("苹果")},
                 {{}, QStringLiteral("school bag"), QStringLiteral("书包")},
                 {{}, QStringLiteral("teacher"), QStringLiteral("老师")}};

        const QDir root(folder);
        for (const char *sub : {"pages", "audio", "work"})
            root.mkpath(QLatin1String(sub));
        if (!speak(spreads[1], QStringLiteral("audio/1.mp3")) ||
            !speak(spreads[2], QStringLiteral("audio/2.mp3")) ||
            !speak(words, QStringLiteral("audio/words.mp3")))
            return;
        QDir(root.filePath(QStringLiteral("work"))).removeRecursively();

        // Names with a leading zero and two formats: both are allowed.
        const QStringList pages{QStringLiteral("pages/00.png"), QStringLiteral("pages/1.jpg"),
                                QStringLiteral("pages/2.png")};
        for (int k = 0; k <= lastSpread; ++k) {
            QImage scan(scanSize, QImage::Format_RGB32);
            QPainter painter(&scan);
            painter.fillRect(0, 0, scanSize.width() / 2, scanSize.height(), leftColour(k));
            painter.fillRect(scanSize.width() / 2, 0, scanSize.width() / 2, scanSize.height(),
                             rightColour(k));
            painter.end();
            if (!scan.save(root.filePath(pages[k]), nullptr, 95))
                error = QStringLiteral("cannot write ") + pages[k];
        }
        write(QStringLiteral("book.ini"), "[book]\r\ntitle = My Second Book\r\n"
                                          "contents = 2, 1, -\r\n");
        write(QStringLiteral("point.xml"), map());
        write(QStringLiteral("word.xml"), wordList());
    }

    bool ok() const { return error.isEmpty(); }

    // The book as the views take it, its content files made into `contentDir`.
    Content::Sources sources(const QString &contentDir) const
    {
        return {.mapPath = path(QStringLiteral("point.xml")),
                .wordListPath = path(QStringLiteral("word.xml")),
                .contentDir = contentDir,
                .lastSpread = lastSpread,
                .contentsTargets = contents};
    }
    QString path(const QString &relative) const { return QDir(folder).filePath(relative); }

    // The hotspot map, one element a line, as the program's own files are written.
    QByteArray map() const
    {
        QString xml = QStringLiteral("\xFEFF<Book>\r\n");
        for (int k = 0; k <= lastSpread; ++k) {
            xml += QStringLiteral("<P%1-%2>\r\n<NO m =\"%3\" FLASH = \"0\"/>\r\n")
                       .arg(2 * k)
                       .arg(2 * k + 1)
                       .arg(spreads[k].size());
            for (qsizetype i = 0; i < spreads[k].size(); ++i) {
                const Item &item = spreads[k][i];
                const QRect &r = item.rect;
                xml += QStringLiteral("<N_%1 LEFT=\"%2\" TOP=\"%3\" RIGHT=\"%4\" BOTTOM=\"%5\" "
                                      "STARTTIME=\"%6\" ENDTIME=\"%7\" TEXT=\"%8\" />\r\n")
                           .arg(i)
                           .arg(r.left())
                           .arg(r.top())
                           .arg(r.right())
                           .arg(r.bottom())
                           .arg(k ? QString::number(item.start) : QString())
                           .arg(k ? QString::number(item.end) : QString())
                           .arg(item.text);
            }
            xml += QStringLiteral("</P%1-%2>\r\n").arg(2 * k).arg(2 * k + 1);
        }
        return (xml + QStringLiteral("</Book>\r\n")).toUtf8();
    }

    QByteArray wordList() const
    {
        QString xml =
            QStringLiteral("\xFEFF<BookWrod>\r\n<unit1>\r\n<NO m =\"%1\"/>\r\n").arg(words.size());
        for (qsizetype i = 0; i < words.size(); ++i)
            xml += QStringLiteral("<N_%1 WORD=\"%2\" TEXT=\"%3\" STARTTIME=\"%4\" ENDTIME=\"%5\"/>"
                                  "\r\n")
                       .arg(i)
                       .arg(words[i].english, words[i].text)
                       .arg(words[i].start)
                       .arg(words[i].end);
        return (xml + QStringLiteral("</unit1>\r\n</BookWrod>\r\n")).toUtf8();
    }

private:
    bool run(const QString &tool, const QStringList &arguments, QByteArray *output = nullptr)
    {
        const QString program = QStandardPaths::findExecutable(tool);
        if (program.isEmpty()) {
            error = tool + QStringLiteral(" is not installed (scripts/setup.sh installs it)");
            return false;
        }
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForFinished(60000) || process.exitCode() != 0) {
            error = tool + QStringLiteral(" failed: ") +
                    QString::fromLocal8Bit(process.readAllStandardError());
            return false;
        }
        if (output)
            *output = process.readAllStandardOutput().trimmed();
        return true;
    }

    // Speaks each item with pauses around it into one VBR MP3 and notes where each one is.
    bool speak(QList<Item> &items, const QString &mp3)
    {
        constexpr int rate = 22050;
        const QString work = path(QStringLiteral("work"));
        const auto silence = [&](const QString &name, double seconds) {
            return run(QStringLiteral("sox"),
                       {QStringLiteral("-n"), QStringLiteral("-r"), QString::number(rate),
                        QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-b"),
                        QStringLiteral("16"), work + name, QStringLiteral("trim"),
                        QStringLiteral("0"), QString::number(seconds)});
        };
        if (!silence(QStringLiteral("/lead.wav"), 0.5) ||
            !silence(QStringLiteral("/gap.wav"), 0.8) || !silence(QStringLiteral("/tail.wav"), 1.5))
            return false;
        QStringList parts{work + QStringLiteral("/lead.wav")};
        qint64 at = rate / 2; // samples
        for (qsizetype i = 0; i < items.size(); ++i) {
            const QString spoken = QStringLiteral("%1/%2.wav").arg(work).arg(i);
            const QString resampled = QStringLiteral("%1/%2r.wav").arg(work).arg(i);
            QByteArray samples;
            if (!run(QStringLiteral("espeak-ng"),
                     {QStringLiteral("-v"), QStringLiteral("en-us"), QStringLiteral("-w"), spoken,
                      items[i].english}) ||
                !run(QStringLiteral("sox"),
                     {spoken, QStringLiteral("-r"), QString::number(rate), QStringLiteral("-c"),
                      QStringLiteral("1"), QStringLiteral("-b"), QStringLiteral("16"),
                      resampled}) ||
                !run(QStringLiteral("soxi"), {QStringLiteral("-s"), resampled}, &samples))
                return false;
            items[i].start = int(at * 1000 / rate);
            at += samples.toLongLong();
            items[i].end = int((at * 1000 + rate - 1) / rate);
            parts << resampled << work + QStringLiteral("/gap.wav");
            at += rate * 8 / 10;
        }
        parts.last() = work + QStringLiteral("/tail.wav");
        const QString joined = work + QStringLiteral("/joined.wav");
        // -V 5 is variable bit rate: the kind of MP3 that seeks inexactly as it stands.
        return run(QStringLiteral("sox"), parts << joined) &&
               run(QStringLiteral("lame"), {QStringLiteral("--quiet"), QStringLiteral("-V"),
                                            QStringLiteral("5"), joined, path(mp3)});
    }

    void write(const QString &relative, const QByteArray &bytes)
    {
        QFile file(path(relative));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            error = QStringLiteral("cannot write ") + relative;
    }
};
