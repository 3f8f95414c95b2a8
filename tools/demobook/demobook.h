#pragma once

#include "content/spreadmap.h"
#include "tools/demobook/booktext.h"
#include "tools/demobook/speech.h"
#include "tools/demobook/tools.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include <optional>

// Where the demo book comes from and where it goes.
struct DemoBookInputs
{
    QString map;       // the page hotspot map
    QString words;     // the word list
    QString text;      // the English of every hotspot (book.txt)
    QString outputDir; // the book folder to write
    QString stamp;     // remembers what the output was made from; may be empty
    QString truth;     // where each laid-out item is drawn and heard, for bench_draft; may
                       // be empty
    bool force = false;
    Tools tools;
};

// Writes the demo book as a book folder, as an author would hand one to mvrbook: the lists
// and a description, a drawn page per spread, a spoken recording per spread with timed
// hotspots and one of all words, and the animations.
class DemoBook
{
public:
    explicit DemoBook(DemoBookInputs inputs);

    // Fails with a message for the user when anything is missing or wrong.
    void make();

private:
    void readInputs();
    void checkText() const;
    bool upToDate(const QByteArray &fingerprint) const;
    QByteArray fingerprint() const;
    QStringList outputs() const;
    void writeListsAndDescription() const;

    void makeImages();
    void checkContentsTargets(const SpreadText *contents);
    bool laidOut(int k) const;
    void makeSpreadAudio();
    void makeReading(Speech &speech, int k);
    void writeTruth() const;
    void makeWordAudio();
    void makeMovies();

    void progress(const QString &message) const;

    DemoBookInputs m_in;
    QString m_work;
    BookText m_text;
    QList<QList<Hotspot>> m_hotspots; // by spread index, 0 ... lastSpread
    QList<QList<QRect>> m_drawn;      // each laid-out hotspot as an author would map it
    QJsonArray m_truth;               // the laid-out spreads as drawn and read
    QElapsedTimer m_clock;
};
