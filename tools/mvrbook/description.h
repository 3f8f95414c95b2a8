#pragma once

#include "tools/mvrbook/problems.h"

#include <QByteArray>
#include <QList>
#include <QString>

// What a book says about itself in its description file (book.ini): a title, and the
// contents table of the page view, the spread that each contents entry opens.
struct BookDescription
{
    QString title;
    QList<int> contents; // by contents entry, the hotspot index on the contents spread; -1: none
    int contentsLine = 0;

    // Reads the description file at `path`; what is wrong with it goes to `problems` under the
    // name `shown`. A missing file is an error; the description then is empty.
    static BookDescription read(const QString &path, const QString &shown, Problems &problems);
    // The file's text for this description, in the form read() reads.
    QByteArray text() const;
};
