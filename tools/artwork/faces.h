#pragma once

#include "sheetrules.h"

#include <QList>
#include <QString>

// The button sprite sheets. Where each face goes is read from the style sheets themselves:
// every face fills exactly the slice that the rules cut for its button and look, so a sheet
// and its pictures cannot drift apart.
namespace Faces {

// The label a rule's slice must show: the button's name in Chinese. The full-screen button
// reads 退出 on the full-screen sheet, where it leaves full-screen mode.
QString label(const SheetRule &rule);

// Draws button.png, interact.png and fullbutton.png into `directory` from the rules of both
// sheets, at `scale` (1 or 2) times the pixels the rules cut them in; at 2 the files are named
// button@2x.png and so on. Fails when a slice leaves its image or when the slices of two
// different faces overlap, since then one button would show a piece of another.
void drawSpriteSheets(const QList<SheetRule> &rules, const QString &directory, int scale);

} // namespace Faces
