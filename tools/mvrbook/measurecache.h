#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Keeps what was learned by decoding a file (how loud a recording is, whether a scan reads),
// by the file's path, size and time of change, so that checking a book again does not decode
// its unchanged media again.
class MeasureCache
{
public:
    // Keeps its records in `dir`; with an empty one it keeps nothing.
    explicit MeasureCache(QString dir);

    // What `kind` of measurement gave for the file as it is now, if it was kept.
    std::optional<QByteArray> find(const QString &path, const QString &kind) const;
    void keep(const QString &path, const QString &kind, const QByteArray &measured) const;

private:
    QString recordOf(const QString &path, const QString &kind) const;

    QString m_dir;
};
