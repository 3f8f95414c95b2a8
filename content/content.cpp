#include "content/content.h"

#include <array>

namespace Content {

int contentsTarget(int entry)
{
    static constexpr std::array targets{1, 6, 11, 16, 18, 23, 28, 33, 35, 36, 37};
    if (entry < 0 || entry >= static_cast<int>(targets.size()))
        return -1;
    return targets[static_cast<std::size_t>(entry)];
}

QString spreadTag(int k)
{
    return QStringLiteral("P%1-%2").arg(2 * k).arg(2 * k + 1);
}

QString pageImage(int k)
{
    return QStringLiteral(":/Book/%1.jpg").arg(k);
}

QString spreadAudio(const QString &contentDir, int k)
{
    return QStringLiteral("%1/frequency/frequency%2.dll").arg(contentDir, QString::number(k));
}

QString firstAnimation(const QString &contentDir, int k)
{
    return contentDir +
           QStringLiteral("%1information%2%3").arg(u"/data/", QString::number(k), u".dll");
}

QString secondAnimation(const QString &contentDir, int k)
{
    return contentDir +
           QStringLiteral("%1information%2b%3").arg(u"/data/", QString::number(k), u".dll");
}

} // namespace Content
