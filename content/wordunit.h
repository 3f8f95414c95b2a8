#pragma once

#include "content/listfile.h"

#include <QList>
#include <QString>

// One word of the word list: what the child types, its Chinese meaning, and where it is
// spoken in the word audio.
struct WordEntry
{
    QString english;
    QString meaning;
    int startTime = 0; // ms
    int endTime = 0;
};

// A word as the program reads it from the attributes of an N_<i> element of the word list.
WordEntry entryFrom(const QXmlStreamAttributes &attributes);

// The words of one unit of the word list. Unlike the page hotspot map, load() appends to
// what the unit holds (callers clear() a fresh unit first), the root is "BookWrod" and texts
// are taken as they stand.
class WordUnit
{
public:
    explicit WordUnit(QString tag, ReadFailureReport report = {});

    void clear();
    // True when the file could be read as a word list, whether or not it has the unit; false
    // after the failure has been reported.
    bool load(const QString &path);

    const QList<WordEntry> &entries() const { return m_entries; }
    const QString &tag() const { return m_tag; }
    int count() const { return m_count; }

private:
    QList<WordEntry> m_entries;
    QString m_tag;
    int m_count = 0;
    ReadFailureReport m_report;
};
