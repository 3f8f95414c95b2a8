#include "tools/mvrbook/edit/mapcheck.h"

#include "tools/common/savefile.h"
#include "tools/mvrbook/bookfolder.h"
#include "tools/mvrbook/edit/mapdocument.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

Problems checkWithMap(const QString &folder, const QByteArray &map, const QString &mirrorDir,
                      const CheckOptions &options)
{
    const QDir book(folder);
    QDir mirror(mirrorDir);
    if (!mirror.mkpath(QStringLiteral("."))) {
        Problems problems;
        problems.error({QString()}, QStringLiteral("cannot make %1").arg(mirrorDir));
        return problems;
    }
    // Links only where they are missing or stale, so a second check finds the same paths.
    const QStringList entries = book.entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    for (const QString &name :
         mirror.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)) {
        if (!entries.contains(name) || name == BookFolder::mapFile)
            QFile::remove(mirror.filePath(name));
    }
    for (const QString &name : entries) {
        const QString link = mirror.filePath(name);
        const QString target = book.absoluteFilePath(name);
        if (name != BookFolder::mapFile && QFile::symLinkTarget(link) != target) {
            QFile::remove(link);
            QFile::link(target, link);
        }
    }
    if (QString error; !writeAtomically(mirror.filePath(BookFolder::mapFile), map, &error)) {
        Problems problems;
        problems.error({BookFolder::mapFile},
                       QStringLiteral("cannot write a copy to check: %1").arg(error));
        return problems;
    }
    return checkBook(mirrorDir, options).problems;
}

QString editorPlace(const QString &base, const QString &folder)
{
    const QByteArray name =
        QCryptographicHash::hash(QDir(folder).absolutePath().toUtf8(), QCryptographicHash::Sha1);
    return base + QStringLiteral("/edit/") + QString::fromLatin1(name.toHex().left(16));
}
