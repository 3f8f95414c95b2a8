#include "fuzz/harnesses.h"

#include "content/content.h"
#include "content/resourcebundle.h"
#include "content/spreadmap.h"
#include "content/wordunit.h"

#include <QDirIterator>
#include <QFile>
#include <QResource>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

const ReadFailureReport quiet = [](const QString &, const QString &) {};

// The readers read files: each input is written to one in a folder of its own.
QString writeInput(const QString &name, QByteArrayView input)
{
    static const QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(input.data(), input.size()) != input.size())
        std::abort();
    return path;
}

bool sameHotspots(const QList<Hotspot> &a, const QList<Hotspot> &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const Hotspot &x, const Hotspot &y) {
                          return x.rect == y.rect && x.text == y.text &&
                                 x.startTime == y.startTime && x.endTime == y.endTime;
                      });
}

} // namespace

void fuzzMapReader(QByteArrayView input)
{
    const QString path = writeInput(QStringLiteral("map.xml"), input);
    SpreadMap kept(quiet);
    for (int k = 0; k < 3; ++k) {
        kept.setTag(Content::spreadTag(k));
        kept.load(path);
    }
    if (input.isEmpty())
        return;
    // The same size, and most likely the same time stamp: only the bytes tell the change.
    QByteArray rewritten = input.toByteArray();
    rewritten[rewritten.size() / 2] = char(rewritten[rewritten.size() / 2] ^ 0x01);
    writeInput(QStringLiteral("map.xml"), rewritten);
    for (int k = 0; k < 3; ++k) {
        SpreadMap fresh(quiet);
        fresh.setTag(Content::spreadTag(k));
        kept.setTag(Content::spreadTag(k));
        if (fresh.load(path) != kept.load(path) || !sameHotspots(fresh.hotspots(), kept.hotspots()))
            std::abort();
    }
}

void fuzzWordListReader(QByteArrayView input)
{
    const QString path = writeInput(QStringLiteral("word.xml"), input);
    for (const char *tag : {"unit1", "unit2"}) {
        WordUnit unit(QString::fromLatin1(tag), quiet);
        unit.load(path);
    }
}

void fuzzBundleCheck(QByteArrayView input)
{
    if (!isIntactBundle(input))
        return;
    // A copy, as the page view attaches the bytes it read and checked.
    const QByteArray bytes = input.toByteArray();
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    const QString root = QStringLiteral("/fuzz");
    if (!QResource::registerResource(data, root))
        return;
    QDirIterator it(QStringLiteral(":/fuzz"),
                    QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            file.readAll();
    }
    QResource::unregisterResource(data, root);
}
