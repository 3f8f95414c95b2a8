#include "progress/lastplace.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

namespace {

constexpr char bookKey[] = "place/book";
constexpr char spreadKey[] = "place/spread";
constexpr char unitKey[] = "place/unit";

} // namespace

LastPlace::LastPlace(QByteArray book, QString file)
    : m_book(std::move(book))
    , m_file(std::move(file))
{}

QString LastPlace::defaultFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
           QStringLiteral("/place.conf");
}

QByteArray LastPlace::bookIdentity(const QString &mapPath)
{
    QFile map(mapPath);
    if (!map.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(map.readAll(), QCryptographicHash::Sha256).toHex();
}

LastPlace::Place LastPlace::load(int lastSpread, int units) const
{
    const QSettings settings(m_file, QSettings::IniFormat);
    Place place;
    if (settings.status() != QSettings::NoError || m_book.isEmpty() ||
        settings.value(bookKey).toByteArray() != m_book)
        return place;
    bool ok = false;
    const int spread = settings.value(spreadKey).toInt(&ok);
    if (ok && spread >= 0 && spread <= lastSpread)
        place.spread = spread;
    const int unit = settings.value(unitKey).toInt(&ok);
    if (ok && unit >= 0 && unit < units)
        place.unit = unit;
    return place;
}

void LastPlace::saveSpread(int spread)
{
    save(spreadKey, spread);
}

void LastPlace::saveUnit(int unit)
{
    save(unitKey, unit);
}

void LastPlace::save(const char *key, int value)
{
    if (m_book.isEmpty())
        return;
    QSettings settings(m_file, QSettings::IniFormat);
    // A place kept for another book is not mixed with this one's.
    if (settings.value(bookKey).toByteArray() != m_book) {
        settings.clear();
        settings.setValue(bookKey, m_book);
    }
    settings.setValue(key, value);
    settings.sync();
}
