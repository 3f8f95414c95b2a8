#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QString>

// Page images come in bundles: files in the binary format of Qt's resource compiler that lie
// beside the program, where an interrupted copy, a damaged disk or a wrong file can take their
// place. Qt follows the offsets inside an attached bundle without checking them, so a bundle
// is read whole and checked first, and only the bytes that passed the check are attached.

// True when no lookup in the bundle can leave `bytes` and a listing of it ends: a header Qt
// accepts; a tree whose nodes, followed from the root, each lie inside and are reached once (no
// cycles, no shared children); every name inside and a path component ("." and ".." are not);
// every data entry with its length inside; every compressed entry unpacking to exactly the size
// it states, all of them together within a bound.
bool isIntactBundle(QByteArrayView bytes);

// The image at `imagePath` (":/...") of the bundle file `bundlePath`, read while the checked
// bytes are attached at the resource root; they are detached before this returns. A null image
// when the file is missing, not a regular file, too large, fails the check or lacks the image.
QImage readBundledImage(const QString &bundlePath, const QString &imagePath);
