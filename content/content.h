#pragma once

#include <QCoreApplication>
#include <QList>
#include <QSize>
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
// The same pages at twice the pixels, for screens that show a logical pixel with more than one.
inline const QString windowBundle2x = QStringLiteral("mvrpaper@2x.dll");
inline const QString fullScreenBundle2x = QStringLiteral("mvrpaperfull@2x.dll");
inline const QString pointMap = QStringLiteral(":/Image/point.xml");
inline const QString wordList = QStringLiteral(":/Image/word.xml");

// The demo book's contents table: the spread each contents entry (a hotspot index of the
// contents spread) opens, -1 for an entry without one.
inline const QList<int> contentsTable{1, 6, 11, 16, 18, 23, 28, 33, 35, 36, 37};
// The demo book's name, which the window carries where a desktop lists its windows.
inline const QString demoTitle = QStringLiteral("In Our Town");
// The units the practice can offer: as many as it has names for.
inline constexpr int maxUnits = 6;

// Where the views find their book: the hotspot map, the word list and the content directory
// that audio and animations hang off, and the book's last spread, contents table, title and
// number of units. The defaults are the demo book's; a book built in and tests give theirs.
struct Sources
{
    QString mapPath = pointMap;
    QString wordListPath = wordList;
    QString contentDir = QCoreApplication::applicationDirPath();
    int lastSpread = Content::lastSpread;
    QList<int> contentsTargets = contentsTable;
    QString title = demoTitle;
    // The practice offers units 1 to this (at most maxUnits); the demo book keeps all six,
    // though only its first has words yet.
    int unitCount = maxUnits;

    // The spread that contents entry `entry` opens, or -1 for an entry without one.
    int contentsTarget(int entry) const;
    // unitCount within what the practice can offer: at least unit 1, at most maxUnits.
    int offeredUnits() const;
};

// The units the word practice offers, by name: entry k stands for the word list's unit<k+1>.
QStringList unitNames();

// A page-image bundle and the size of every page in it, in pixels.
struct PageBundle
{
    QString file;
    QSize pixels;
};

// Every bundle of a book: both page view sizes, each at 1x and 2x.
QList<PageBundle> pageBundles();

// The bundles to draw a page view of this logical height from on a screen of this device pixel
// ratio, best first. Above a ratio of 1 the 2x bundle comes first, so that the page is only
// ever scaled down; the 1x bundle follows for content made before there were 2x bundles.
// The height picks the page size: the window's at exactly 580, the full-screen one otherwise.
QStringList bundlesFor(int viewHeight, qreal devicePixelRatio);

QString spreadTag(int k);
QString pageImage(int k);
QString spreadAudio(const QString &contentDir, int k);
QString firstAnimation(const QString &contentDir, int k);
QString secondAnimation(const QString &contentDir, int k);

} // namespace Content
