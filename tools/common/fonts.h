#pragma once

#include <QFont>
#include <QString>

// The faces the tools draw with: the Linux families the program's own interface resolves to,
// so the pictures and pages look like the program around them.
namespace Fonts {

inline const QString latinFamily = QStringLiteral("DejaVu Sans");
inline const QString chineseFamily = QStringLiteral("WenQuanYi Zen Hei");

// At least one pixel high.
QFont latin(qreal pixels, bool bold = true, bool italic = false);
// Unhinted, so that a label keeps its width at every size it is tried at.
QFont chinese(qreal pixels, bool bold = true);

// Fails naming the first of the two families that is not installed: pictures drawn with a
// stand-in font would be committed without anyone noticing.
void requireInstalled();

} // namespace Fonts
