#include "tools/common/fonts.h"

#include "tools/common/failure.h"

#include <QFontDatabase>
#include <QStringList>

#include <algorithm>

namespace Fonts {

QFont latin(qreal pixels, bool bold, bool italic)
{
    QFont font(latinFamily);
    font.setPixelSize(std::max(1, qRound(pixels)));
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

QFont chinese(qreal pixels, bool bold)
{
    QFont font(chineseFamily);
    font.setPixelSize(qRound(pixels));
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

void requireInstalled()
{
    const QStringList families = QFontDatabase::families();
    for (const QString &family : {chineseFamily, latinFamily}) {
        if (!families.contains(family))
            throw Failure(QStringLiteral("the font %1 is not installed").arg(family));
    }
}

} // namespace Fonts
