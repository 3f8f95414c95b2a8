#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The book's text files are UTF-8, the one encoding the program reads its lists in on every
// system. These find where a file is not.

// The 1-based line of the first bytes that are not UTF-8, or nothing for a file that is UTF-8
// throughout (a byte-order mark included).
std::optional<int> firstNonUtf8Line(const QByteArray &bytes);

// The encoding that the XML declaration at the start of `bytes` names; empty without one.
QString declaredEncoding(const QByteArray &bytes);

// Whether an encoding name means UTF-8.
bool isUtf8Name(const QString &encoding);
