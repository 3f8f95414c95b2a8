#pragma once

#include "content/spreadmap.h"

#include <QImage>
#include <QList>

// The page image of a spread with every hotspot drawn on it: its rectangle, its number and its
// text, so that an author sees at a glance whether each rectangle sits on its sentence. The
// page is drawn at twice the 910 x 580 frame, stretched as the page view stretches it; a null
// page draws the hotspots on white.
QImage previewSpread(const QImage &page, const QList<Hotspot> &hotspots);
