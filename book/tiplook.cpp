#include "book/tiplook.h"

#include <QBrush>
#include <QColor>

namespace TipLook {

QPalette palette(QPalette base)
{
    base.setBrush(QPalette::All, QPalette::ToolTipBase, QBrush(QColor(200, 255, 0)));
    base.setBrush(QPalette::All, QPalette::ToolTipText, QBrush(QColor(255, 100, 0)));
    return base;
}

QFont font()
{
    QFont font(QStringLiteral("楷体"));
    font.setWeight(QFont::Bold);
    font.setPixelSize(20);
    return font;
}

} // namespace TipLook
