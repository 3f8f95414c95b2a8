#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One thing wrong with a book folder, said so that its author can find it: the file (relative
// to the book folder), the line in it, the spread and the item (a hotspot or word) it concerns.
struct Problem
{
    enum class Severity { Error, Warning };

    Severity severity = Severity::Error;
    QString file;
    int line = 0;    // 1-based; 0 when the problem is not on one line
    int spread = -1; // -1 when it concerns no one spread
    QString item;    // "N_3", "unit1 N_4"; empty for none
    QString message;

    // "point.xml:57: error: spread 2 (P4-5) N_12: ENDTIME 5000 is not after STARTTIME 6000"
    QString toString() const;
};

// The problems found in a book, errors and warnings apart.
class Problems
{
public:
    // Where the next problems are: the file, and the spread and item they concern.
    struct Place
    {
        Place(QString inFile, int atLine = 0, int ofSpread = -1, QString ofItem = {})
            : file(std::move(inFile))
            , line(atLine)
            , spread(ofSpread)
            , item(std::move(ofItem))
        {}

        QString file;
        int line;
        int spread;
        QString item;
    };

    void error(const Place &place, const QString &message);
    void warning(const Place &place, const QString &message);
    void append(const Problems &other);

    int errors() const;
    int warnings() const;
    const QList<Problem> &all() const { return m_problems; }

    // Errors first, then warnings; each by file, in the order of the names or folders given
    // (other files last), then by line; problems of one line in the order they were found.
    QList<Problem> sorted(const QStringList &fileOrder) const;

private:
    void add(Problem::Severity severity, const Place &place, const QString &message);

    QList<Problem> m_problems;
};
