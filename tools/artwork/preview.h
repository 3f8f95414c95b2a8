#pragma once

#include <QString>

// Mock-ups of the three screens built from real widgets with the style sheets installed, to
// judge the pictures together: the window, full screen on a 1280 x 800 desktop, and the
// spelling practice. Written as preview-*.png into `outputDirectory`.
void writePreviews(const QString &resourceDirectory, const QString &outputDirectory);
