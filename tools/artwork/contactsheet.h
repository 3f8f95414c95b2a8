#pragma once

#include <QString>

// A picture for checking a style sheet by eye: for every button of the sheet and each of its
// looks, the raw slice of the sprite image (enlarged, pixel for pixel) beside the button as
// Qt really draws it with the sheet installed, at the size the program gives it.
void writeContactSheet(const QString &sheetPath, const QString &resourceDirectory, bool fullScreen,
                       const QString &outputPath);
