#pragma once

#include <QDateTime>
#include <QDomDocument>
#include <QDomElement>
#include <QList>
#include <QString>

#include <functional>
#include <map>
#include <memory>

// Tells the user that a description file cannot be read. The program hands in its critical
// box, tests a recorder; an empty report tells no one.
using ReadFailureReport = std::function<void(const QString &title, const QString &text)>;

// One section of a description file (a spread of the page map, a unit of the word list):
// its first "NO" element and its N_<i> items.
struct ListSection
{
    QDomElement countElement;                // null when the section has no "NO" child
    std::map<int, QList<QDomElement>> items; // by i; each list in document order

    // The items named N_0 ... N_<count-1>, by i, repeated names in document order: what a
    // walk over every name below count finds, without walking names that do not occur.
    QList<QDomElement> itemsBelow(int count) const;
};

// A description file parsed once and indexed by section tag.
class ListFile
{
public:
    // Reads and indexes the file, or reports why it cannot be used and returns null.
    static std::shared_ptr<const ListFile> read(const QString &path, const QString &rootName,
                                                const ReadFailureReport &report);

    // The first section element with this tag, or null when the file has none.
    const ListSection *section(const QString &tag) const;

private:
    QDomDocument m_document; // owns the elements the sections point to
    std::map<QString, ListSection> m_sections;
};

// Keeps the parsed file of the last path read and parses again only when that path or the
// file on disk changed, so a record that reloads on every change of spread stays cheap.
// An unreadable file is tried, and reported, on every load.
class ListFileCache
{
public:
    ListFileCache(QString rootName, ReadFailureReport report);

    std::shared_ptr<const ListFile> load(const QString &path);

private:
    QString m_rootName;
    ReadFailureReport m_report;
    QString m_path;
    QDateTime m_modified;
    qint64 m_size = -1;
    std::shared_ptr<const ListFile> m_file;
};

// A base-10 attribute as the description files hold numbers: 0 when absent, empty or not a
// number.
int intAttribute(const QDomElement &element, const QString &name);
