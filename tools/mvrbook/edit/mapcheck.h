#pragma once

#include "tools/mvrbook/bookcheck.h"

#include <QByteArray>
#include <QString>

// The check `mvrbook check` makes, of the book folder as it would be with `map` as its
// point.xml: the folder is mirrored, its files linked, in `mirrorDir`, which stays the same
// for a book so that what checking its media learned is kept between checks. Slow where media
// are decoded for the first time: call it off the GUI thread.
Problems checkWithMap(const QString &folder, const QByteArray &map, const QString &mirrorDir,
                      const CheckOptions &options);

// Where the editor keeps things of its own for the book folder under `base`: one folder per
// book, named by its path.
QString editorPlace(const QString &base, const QString &folder);
