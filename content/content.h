#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>

// Names of the book's content, all formed from the 0-based spread index k. Audio and
// animations hang off the content directory (the executable's); the page-image bundles are
// looked up relative to the working directory.
namespace Content {

// The demo book's last spread; the page view turns no further and the demo generator draws
// up to here.
inline constexpr int lastSpread = 37;
// The unit vocabulary spread: its audio file is also the word practice audio.
inline constexpr int wordAudioSpread = 36;

inline const QString windowBundle = QStringLiteral("mvrpaper.dll");
inline const QString fullScreenBundle = QStringLiteral("mvrpaperfull.dll");
inline const QString pointMap = QStringLiteral(":/Image/point.xml");
inline const QString wordList = QStringLiteral(":/Image/word.xml");

// The demo book's contents table: the spread each contents entry (a hotspot index of the
// contents spread) opens, -1 for an entry without one.
inline const QList<int> contentsTable{1, 6, 11, 16, 18, 23, 28, 33, 35, 36, 37};

// Where the views find their book: the hotspot map, the word list and the content directory
// that audio and animations hang off, and the book's last spread and contents table. The
// defaults are the program's own; a book built in and tests give theirs.
struct Sources
{
    QString mapPath = pointMap;
    QString wordListPath = wordList;
    QString contentDir = QCoreApplication::applicationDirPath();
    int lastSpread = Content::lastSpread;
    QList<int> contentsTargets = contentsTable;

    // The spread that contents entry `entry` opens, or -1 for an entry without one.
    int contentsTarget(int entry) const;
};

// The units the word practice offers, by name: entry k stands for the word list's unit<k+1>.
QStringList unitNames();

QString spreadTag(int k);
QString pageImage(int k);
QString spreadAudio(const QString &contentDir, int k);
QString firstAnimation(const QString &contentDir, int k);
QString secondAnimation(const QString &contentDir, int k);

} // namespace Content
