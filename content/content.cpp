#include "content/content.h"

#include "content/layout.h"

#include <algorithm>

namespace Content {

int Sources::contentsTarget(int entry) const
{
    return contentsTargets.value(entry, -1);
}

int Sources::offeredUnits() const
{
    return std::clamp(unitCount, 1, maxUnits);
}

QStringList unitNames()
{
    return {QStringLiteral("第一单元"), QStringLiteral("第二单元"), QStringLiteral("第三单元"),
            QStringLiteral("第四单元"), QStringLiteral("第五单元"), QStringLiteral("第六单元")};
}

QList<PageBundle> pageBundles()
{
    const QSize window = Layout::pageView.size();
    const QSize full = Layout::fullScreenPageView;
    return {{windowBundle, window},
            {fullScreenBundle, full},
            {windowBundle2x, window * 2},
            {fullScreenBundle2x, full * 2}};
}

QStringList bundlesFor(int viewHeight, qreal devicePixelRatio)
{
    const bool window = viewHeight == Layout::pageView.height();
    const QString &single = window ? windowBundle : fullScreenBundle;
    if (devicePixelRatio <= 1.0)
        return {single};
    return {window ? windowBundle2x : fullScreenBundle2x, single};
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
