#pragma once

#include <QByteArray>
#include <QString>

// Writes `bytes` to `path` so that the old file stays whole until the new one is complete.
// Unbuffered, because a buffered QSaveFile commits a file cut short by a full disk or a file
// size limit as if it were whole. False, with the reason in `error` if given.
bool writeAtomically(const QString &path, const QByteArray &bytes, QString *error = nullptr);
