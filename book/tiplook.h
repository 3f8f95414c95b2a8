#pragma once

#include <QFont>
#include <QPalette>

// How the page view's tip looks: the hotspot's Chinese text in bold 楷体, orange on lime.
// The book editor previews a text with the same.
namespace TipLook {

// `base` with the tip's colours.
QPalette palette(QPalette base);
QFont font();

} // namespace TipLook
