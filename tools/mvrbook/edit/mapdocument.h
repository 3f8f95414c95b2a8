#pragma once

#include <QList>
#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// One N_<i> element of the map as the editor holds it: its attributes in the order they were
// read, values as written, so that a value the author never touched is written back as it was,
// even one the check finds wrong.
struct MapHotspot
{
    QList<std::pair<QString, QString>> attributes;

    QString value(const QString &name) const;
    void setValue(const QString &name, const QString &value);

    // LEFT, TOP, RIGHT, BOTTOM; both corners inside. Unreadable numbers count as 0.
    QRect rect() const;
    void setRect(const QRect &rect);
    // STARTTIME and ENDTIME in ms; -1 where empty or not a number.
    int time(bool end) const;
    void setTime(bool end, int ms);

    // The attributes an author's new hotspot starts with, in the order the map gives them.
    static MapHotspot blank(const QRect &rect);

    bool operator==(const MapHotspot &other) const = default;
};

// The page hotspot map of a book folder, held so that saving it changes only what was edited:
// spreads the author did not touch are written back byte for byte, an edited one is written
// again in the form and indentation the file already uses, hotspots numbered in list order.
class MapDocument : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Reads the map's bytes (UTF-8, a byte-order mark kept); empty bytes make an empty map.
    // False, with the reason in error(), for a file that is not a map: nothing can be edited.
    bool read(const QByteArray &bytes);
    bool readFile(const QString &path);
    const QString &error() const { return m_error; }

    // The map as it stands, in the file's own format.
    QByteArray bytes() const;
    // Writes bytes() atomically: the old file stays whole until the new one is complete, and
    // nothing is written that would not read back as the map now held. False with error().
    bool save(const QString &path);

    QList<int> spreads() const; // the spreads the map has an element for, ascending
    QList<MapHotspot> hotspots(int k) const;
    // Sets the hotspots of spread k, making its element where the map has none; a spread made
    // here goes again when it is left without hotspots, so undoing its making leaves no trace.
    void setHotspots(int k, const QList<MapHotspot> &hotspots);

    // bytes() differ from what was last read or saved. A file without spreads is read as the
    // empty map in the one form the editor writes it.
    bool isModified() const;

signals:
    void changed(int k);

private:
    struct Spread
    {
        int k = -1;
        QString original; // the element as read; empty for a new one
        QString openIndent = QStringLiteral("\n\t\t");
        QString closeIndent = QStringLiteral("\n\t");
        QList<std::pair<QString, QString>> count; // the NO element's attributes
        QString countSource;
        QList<MapHotspot> hotspots;
        QList<MapHotspot> readHotspots; // as read, to tell an edited spread
        QStringList readSources;        // by hotspot; empty where not named by its place
        QStringList others;             // elements that are neither NO nor N_<i>, kept as read
    };
    // The file is literal text with the spread elements between: pieces[i] comes before
    // spread i, the last piece after the last spread (without spreads, the root's start and
    // its end).
    QString text() const;
    QString spreadText(const Spread &spread) const;
    Spread *find(int k);
    const Spread *find(int k) const;

    QList<QString> m_pieces{QStringLiteral("<Book>\n"), QStringLiteral("</Book>\n")};
    QList<Spread> m_spreads;
    QString m_spreadIndent = QStringLiteral("\t");
    bool m_bom = false;
    QByteArray m_saved;
    QString m_error;
};
