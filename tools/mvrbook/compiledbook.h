#pragma once

#include "tools/mvrbook/bookcheck.h"

#include <QByteArray>
#include <QString>

// The C++ source that builds a book's constants into the program: compiledBook() of
// app/compiledbook.h, giving the book's last spread, contents table, title and number of
// units.
QByteArray compiledBookSource(const BookPlan &plan);

// Writes that source to `path`, leaving the file alone when it already says the same, so that
// the program is not rebuilt for nothing. False when it cannot be written.
bool writeCompiledBook(const BookPlan &plan, const QString &path);
