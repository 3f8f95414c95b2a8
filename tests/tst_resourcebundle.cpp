#include "content/resourcebundle.h"

#include "content/content.h"

#include "damagedbundle.h"

#include <QDir>
#include <QFile>
#include <QResource>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

QByteArray readBundle(const QString &name)
{
    QFile file(QStringLiteral(MIVORA_TEST_BUNDLES "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read the test bundle %s", qPrintable(name));
    return file.readAll();
}

// The test bundles: window and full-screen pages as the book builder makes them, the window
// pages in the oldest format, and pages with a text packed by each algorithm Qt unpacks.
const QStringList bundleNames{"mvrpaper.dll", "mvrpaperfull.dll", "version1.dll", "zlib.dll",
                              "zstd.dll"};

const QString page = QStringLiteral(":/Book/1.jpg");

} // namespace

class TestResourceBundle : public QObject
{
    Q_OBJECT

private:
    QString write(const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("bundle.dll"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write %s", qPrintable(path));
        file.write(bytes);
        return path;
    }

    QTemporaryDir m_dir;

private slots:
    void intactBundles_data()
    {
        QTest::addColumn<QString>("name");
        for (const QString &name : bundleNames)
            QTest::newRow(qPrintable(name)) << name;
    }

    void intactBundles()
    {
        QFETCH(QString, name);
        const QByteArray bytes = readBundle(name);
        QVERIFY(isIntactBundle(bytes));
        QVERIFY(!readBundledImage(write(bytes), page).isNull());
        // Attached only while the image was read.
        QVERIFY(!QResource(page).isValid());
    }

    void damagedBundles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        for (const QString &name : bundleNames) {
            for (const auto &[damage, bytes] : DamagedBundle::copiesOf(readBundle(name)))
                QTest::addRow("%s: %s", qPrintable(name), qPrintable(damage)) << bytes;
        }

        // Qt serves a zlib entry at the size it states, whatever the stream unpacks to.
        const QByteArray zlib = readBundle(QStringLiteral("zlib.dll"));
        const qint64 zlibEntry = DamagedBundle::firstEntry(zlib);
        const qint32 stated = DamagedBundle::numberAt(zlib, zlibEntry + 4);
        QTest::newRow("zlib entry stating one byte more")
            << DamagedBundle::withNumber(zlib, zlibEntry + 4, stated + 1);
        QTest::newRow("zlib entry stating one byte less")
            << DamagedBundle::withNumber(zlib, zlibEntry + 4, stated - 1);
        QTest::newRow("zlib entry stating 4 GB")
            << DamagedBundle::withNumber(zlib, zlibEntry + 4, -1);
        const qint32 zlibLength = DamagedBundle::numberAt(zlib, zlibEntry);
        QTest::newRow("zlib stream cut short")
            << DamagedBundle::withNumber(zlib, zlibEntry, zlibLength - 10);

        // A zstd frame states its size in two bytes after its header byte.
        const QByteArray zstd = readBundle(QStringLiteral("zstd.dll"));
        const qint64 zstdEntry = DamagedBundle::firstEntry(zstd);
        QByteArray moreStated = zstd;
        moreStated[zstdEntry + 9] = char(moreStated[zstdEntry + 9] + 1);
        QTest::newRow("zstd frame stating one byte more") << moreStated;
        const qint32 zstdLength = DamagedBundle::numberAt(zstd, zstdEntry);
        QTest::newRow("zstd frame cut short")
            << DamagedBundle::withNumber(zstd, zstdEntry, zstdLength - 10);
        QByteArray garbage = zstd;
        garbage.replace(zstdEntry + 12, 16, QByteArray(16, '\xff'));
        QTest::newRow("zstd frame with garbage inside") << garbage;
    }

    void damagedBundles()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!isIntactBundle(bytes));
        QVERIFY(readBundledImage(write(bytes), page).isNull());
        QVERIFY(!QResource(page).isValid());
    }

    void notARegularFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing") << m_dir.filePath(QStringLiteral("missing.dll"));
        QTest::newRow("a directory in its place") << m_dir.path();
    }

    void notARegularFile()
    {
        QFETCH(QString, path);
        QVERIFY(readBundledImage(path, page).isNull());
    }

    void imageMissingFromTheBundle()
    {
        QVERIFY(readBundledImage(write(readBundle(QStringLiteral("mvrpaper.dll"))),
                                 QStringLiteral(":/Book/3.jpg"))
                    .isNull());
    }

    void aReplacedFileIsCheckedAfresh()
    {
        // The file is replaced by a damaged one after a good read: the next read sees the new
        // bytes only, checks them and draws nothing.
        const QByteArray good = readBundle(QStringLiteral("mvrpaper.dll"));
        const QString path = write(good);
        QVERIFY(!readBundledImage(path, page).isNull());
        write(DamagedBundle::copiesOf(good).first().second);
        QVERIFY(readBundledImage(path, page).isNull());
    }

    // The page is drawn from the bundle of the view's size at the screen's scale, best first;
    // above 100 % the 2x bundle, so that it is only ever scaled down, then the 1x one.
    void bundleForTheScreen_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QStringList>("bundles");

        const QString window = Content::windowBundle;
        const QString full = Content::fullScreenBundle;
        const QString window2x = Content::windowBundle2x;
        const QString full2x = Content::fullScreenBundle2x;
        QTest::newRow("window, 100 %") << 580 << 1.0 << QStringList{window};
        QTest::newRow("window, 125 %") << 580 << 1.25 << QStringList{window2x, window};
        QTest::newRow("window, 150 %") << 580 << 1.5 << QStringList{window2x, window};
        QTest::newRow("window, 200 %") << 580 << 2.0 << QStringList{window2x, window};
        QTest::newRow("full screen, 100 %") << 726 << 1.0 << QStringList{full};
        QTest::newRow("full screen, 125 %") << 726 << 1.25 << QStringList{full2x, full};
        QTest::newRow("full screen, 200 %") << 726 << 2.0 << QStringList{full2x, full};
        QTest::newRow("581 high, 150 %") << 581 << 1.5 << QStringList{full2x, full};
        QTest::newRow("below 100 %") << 580 << 0.75 << QStringList{window};
    }

    void bundleForTheScreen()
    {
        QFETCH(int, height);
        QFETCH(qreal, ratio);
        QFETCH(QStringList, bundles);
        QCOMPARE(Content::bundlesFor(height, ratio), bundles);
    }

    void everyBundleHasItsOwnNameAndSize()
    {
        const QList<Content::PageBundle> bundles = Content::pageBundles();
        QCOMPARE(bundles.size(), 4);
        QStringList names;
        for (const Content::PageBundle &bundle : bundles)
            names << bundle.file;
        names.removeDuplicates();
        QCOMPARE(names.size(), 4);
        const auto sizeOf = [&bundles](const QString &file) {
            return std::find_if(bundles.begin(), bundles.end(),
                                [&file](const Content::PageBundle &b) { return b.file == file; })
                ->pixels;
        };
        QCOMPARE(sizeOf(Content::windowBundle), QSize(910, 580));
        QCOMPARE(sizeOf(Content::fullScreenBundle), QSize(1139, 726));
        QCOMPARE(sizeOf(Content::windowBundle2x), QSize(1820, 1160));
        QCOMPARE(sizeOf(Content::fullScreenBundle2x), QSize(2278, 1452));
    }
};

QTEST_GUILESS_MAIN(TestResourceBundle)
#include "tst_resourcebundle.moc"
