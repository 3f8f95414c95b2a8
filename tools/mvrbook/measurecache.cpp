#include "tools/mvrbook/measurecache.h"

#include "tools/common/savefile.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

MeasureCache::MeasureCache(QString dir)
    : m_dir(std::move(dir))
{}

QString MeasureCache::recordOf(const QString &path, const QString &kind) const
{
    const QFileInfo info(path);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(kind.toUtf8());
    hash.addData(info.absoluteFilePath().toUtf8());
    hash.addData(QByteArray::number(info.size()));
    hash.addData(QByteArray::number(info.lastModified().toMSecsSinceEpoch()));
    return m_dir + u'/' + QString::fromLatin1(hash.result().toHex());
}

std::optional<QByteArray> MeasureCache::find(const QString &path, const QString &kind) const
{
    if (m_dir.isEmpty())
        return std::nullopt;
    QFile record(recordOf(path, kind));
    if (!record.open(QIODevice::ReadOnly))
        return std::nullopt;
    return record.readAll();
}

void MeasureCache::keep(const QString &path, const QString &kind, const QByteArray &measured) const
{
    // A record that cannot be kept costs a decode next time, nothing more.
    if (m_dir.isEmpty() || !QDir().mkpath(m_dir))
        return;
    writeAtomically(recordOf(path, kind), measured);
}
