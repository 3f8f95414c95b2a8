#pragma once

#include <QByteArray>
#include <QString>

// Where the child left off in one book: the spread on show and the practice unit chosen, kept
// in a settings file in the user's config directory, so that the program reopens there.
// Another book, or the same book rebuilt with another map, starts afresh; so does a damaged
// or unreadable file, which never stops the program. Every change is written at once, and
// atomically, so a crash loses nothing.
class LastPlace
{
public:
    struct Place
    {
        int spread = 1;
        int unit = 0; // entry of the unit box
    };

    // `book` tells this book from another (bookIdentity()); `file` is the settings file.
    LastPlace(QByteArray book, QString file);

    // The settings file in the user's config directory.
    static QString defaultFile();
    // What tells a book from another: a digest of its hotspot map.
    static QByteArray bookIdentity(const QString &mapPath);

    // The place kept for this book, within spreads 0 to `lastSpread` and units 0 to
    // `units` - 1; the opening place where nothing fitting is kept.
    Place load(int lastSpread, int units) const;
    void saveSpread(int spread);
    void saveUnit(int unit);

private:
    void save(const char *key, int value);

    QByteArray m_book;
    QString m_file;
};
