#include "tools/mvrbook/bookcheck.h"

#include "content/content.h"
#include "content/layout.h"
#include "content/listfile.h"
#include "content/spreadmap.h"
#include "content/wordunit.h"
#include "tools/mvrbook/bookfolder.h"
#include "tools/mvrbook/encoding.h"
#include "tools/mvrbook/loudness.h"
#include "tools/mvrbook/measurecache.h"
#include "tools/mvrbook/progress.h"

#include <QDataStream>
#include <QDomNamedNodeMap>
#include <QFile>
#include <QImageReader>
#include <QRegion>
#include <QRegularExpression>

#include <cmath>
#include <memory>
#include <optional>

namespace {

using Place = Problems::Place;

const QString bookRoot = QStringLiteral("Book");
const QString wordListRoot = QStringLiteral("BookWrod");
const QString countName = QStringLiteral("NO");
const QStringList corners{QStringLiteral("LEFT"), QStringLiteral("TOP"), QStringLiteral("RIGHT"),
                          QStringLiteral("BOTTOM")};
const QString startName = QStringLiteral("STARTTIME");
const QString endName = QStringLiteral("ENDTIME");
const QStringList hotspotAttributes =
    corners + QStringList{startName, endName, QStringLiteral("TEXT")};
const QStringList wordAttributes{QStringLiteral("WORD"), QStringLiteral("TEXT"), startName,
                                 endName};

// A page image whose shape differs more than this from 910 : 580 is visibly stretched.
constexpr double shapeTolerance = 0.05;

// The smallest size of the 910 : 580 shape that holds an image of `size` whole: the size to
// pad a scan to so that it is shown unstretched.
QSize paddedToFrame(QSize size)
{
    const QSize frame = spreadFrame;
    if (qint64(size.width()) * frame.height() < qint64(size.height()) * frame.width())
        return {int(qRound64(double(size.height()) * frame.width() / frame.height())),
                size.height()};
    return {size.width(), int(qRound64(double(size.width()) * frame.height() / frame.width()))};
}

// An audio segment that a hotspot or a word names, and where it is named.
struct Segment
{
    Place place;
    int start = 0;
    int end = 0;
};

// A number attribute as written: the program reads absent, empty and malformed ones alike as
// 0, but only one of those is what the author meant.
struct Number
{
    enum class Given { Absent, Empty, Number, Malformed };
    Given given = Given::Absent;
    int value = 0;
    QString text;

    bool isBlank() const { return given == Given::Absent || given == Given::Empty; }
};

Number numberAttribute(const QDomElement &element, const QString &name)
{
    if (!element.hasAttribute(name))
        return {};
    Number number;
    number.text = element.attribute(name);
    bool ok = false;
    number.value = number.text.toInt(&ok);
    number.given = number.text.trimmed().isEmpty() ? Number::Given::Empty
                   : ok                            ? Number::Given::Number
                                                   : Number::Given::Malformed;
    return number;
}

// What is wrong with an attribute that should hold a number, or nothing.
std::optional<QString> notANumber(const QString &name, const Number &number)
{
    switch (number.given) {
    case Number::Given::Number:
        return std::nullopt;
    case Number::Given::Malformed:
        return QStringLiteral("%1 \"%2\" is not a number").arg(name, number.text);
    case Number::Given::Empty:
        return QStringLiteral("%1 is empty").arg(name);
    case Number::Given::Absent:
        break;
    }
    return QStringLiteral("%1 is missing").arg(name);
}

int editDistance(const QString &a, const QString &b)
{
    QList<int> row(b.size() + 1);
    for (qsizetype j = 0; j <= b.size(); ++j)
        row[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The spread a map element is tagged for, as the program forms the tags; -1 for another name.
int spreadOf(const QString &tag)
{
    static const QRegularExpression pattern(QStringLiteral(R"(^P(\d{1,6})-\d{1,6}$)"));
    const auto match = pattern.match(tag);
    if (!match.hasMatch())
        return -1;
    const int k = match.captured(1).toInt() / 2;
    return Content::spreadTag(k) == tag ? k : -1;
}

// The unit a word list element is tagged for; -1 for another name.
int unitOf(const QString &tag)
{
    static const QRegularExpression pattern(QStringLiteral(R"(^unit([1-9]\d{0,5})$)"));
    const auto match = pattern.match(tag);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

// The hotspots that hide `hidden` between them, by name: the first that covers it alone, or
// else every one that reaches into it ("N_0, N_2 and N_5").
QString coveringItems(const QRect &hidden, const QList<std::pair<QRect, QString>> &earlier)
{
    QStringList names;
    for (const auto &[rect, name] : earlier) {
        if (rect.contains(hidden))
            return name;
        if (rect.intersects(hidden))
            names.append(name);
    }
    if (names.size() < 2)
        return names.join(QString());
    const QString last = names.takeLast();
    return names.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

// "N_3", or "N_3 to N_7" for a run.
QString itemRun(int first, int last)
{
    return first == last ? QStringLiteral("N_%1").arg(first)
                         : QStringLiteral("N_%1 to N_%2").arg(first).arg(last);
}

// What reading a scan tells: its size as it is shown (turned as the file asks), whether it can
// be read and decoded, and if not, why.
struct ScanReading
{
    QSize size;
    bool readable = false;
    bool decodes = false;
    QString why;
};

ScanReading readScan(const QString &path)
{
    ScanReading reading;
    QImageReader reader(path);
    reader.setAutoTransform(true);
    reading.size = reader.size();
    reading.readable = reader.canRead() && !reading.size.isEmpty();
    if (!reading.readable) {
        reading.why = reader.errorString();
        return reading;
    }
    if (reader.transformation() & QImageIOHandler::TransformationRotate90)
        reading.size.transpose();
    // A small decode reads every byte of most formats at a fraction of the cost of a full one.
    reader.setScaledSize(reader.size() / 4);
    reading.decodes = !reader.read().isNull();
    if (!reading.decodes)
        reading.why = reader.errorString();
    return reading;
}

// The reading of a scan as it was kept, or read now and kept.
ScanReading readScan(const QString &path, const MeasureCache &cache)
{
    const QString kind = QStringLiteral("scan 2");
    ScanReading reading;
    if (const auto kept = cache.find(path, kind)) {
        QDataStream in(*kept);
        in >> reading.size >> reading.readable >> reading.decodes >> reading.why;
        if (in.status() == QDataStream::Ok)
            return reading;
    }
    reading = readScan(path);
    QByteArray kept;
    QDataStream out(&kept, QIODevice::WriteOnly);
    out << reading.size << reading.readable << reading.decodes << reading.why;
    cache.keep(path, kind, kept);
    return reading;
}

class Checker
{
public:
    Checker(const QString &folder, const CheckOptions &options);

    CheckResult run();

private:
    void reportUnreadable(const QString &file, const ListFileFailure &failure, const QString &root);
    bool isUtf8(const QString &file);
    void checkAttributes(const QDomElement &element, const QStringList &known, const Place &place);
    QList<QDomElement> checkItems(const QDomElement &element, const ListSection &section,
                                  const Place &at, const QString &noun);
    // A hotspot's segment is optional; a word's is required, and what is wrong with its
    // times names the word (`english`) and the recording they are measured in.
    std::optional<Segment> segmentOf(const QDomElement &element, const Place &place, bool isWord,
                                     const QString &english = {});
    void checkOverlaps(const QList<Segment> &segments, const QString &noun);

    // The sections of a list file, each the first of its tag, by the number the tag names;
    // what the program never reads of them is said here. Nothing for a file that cannot be
    // read, which is said too.
    struct Sections
    {
        std::shared_ptr<const ListFile> list;
        std::map<int, QDomElement> first;
    };
    std::optional<Sections> readSections(const QString &file, const QString &rootName,
                                         int (*numberOf)(const QString &), const QString &naming,
                                         bool bySpread);

    void checkMap();
    void checkSpread(int k, const QDomElement &element, const ListSection &section);
    void checkContents();
    void checkWordList();
    void checkUnit(const QDomElement &element, const ListSection &section);
    void planAudio();
    void planAnimations();

    void checkMedia();
    void checkPage(int k, const QString &file, Problems &problems) const;
    void checkRecording(int k, const QString &file, Problems &problems) const;
    void checkAnimation(int k, const QString &file, Problems &problems) const;

    const CheckOptions &m_options;
    const MeasureCache m_cache;
    Problems m_problems;
    BookFolder m_folder;
    BookDescription m_description;
    BookPlan m_plan;
    // Segments by the audio file that plays them, frequency<k>.dll by k.
    std::map<int, QList<Segment>> m_segments;
    std::map<int, int> m_spreadLines;
    std::map<int, std::pair<int, int>> m_flash; // spread -> FLASH, line of its NO
    QList<Place> m_contentsEntries;             // the hotspots of the contents spread
    // Whether the lists could be read at all: what their absence would say of the recordings
    // and animations is not said of a file that was not read.
    bool m_mapRead = false;
    bool m_wordListRead = false;
};

Checker::Checker(const QString &folder, const CheckOptions &options)
    : m_options(options)
    , m_cache(options.cacheDir)
    , m_folder(folder, m_problems)
{}

CheckResult Checker::run()
{
    if (!m_folder.exists()) {
        m_problems.error({m_folder.root()}, QStringLiteral("no such folder"));
        return {m_problems, m_plan};
    }
    m_plan.lastSpread = m_folder.lastSpread();
    m_plan.pages = m_folder.pages();
    if (m_plan.lastSpread < 1)
        m_problems.error({BookFolder::pagesDir},
                         QStringLiteral("a book needs page images of the contents, 0.jpg, and "
                                        "of at least one spread to read, 1.jpg"));

    m_description = BookDescription::read(m_folder.path(BookFolder::descriptionFile),
                                          BookFolder::descriptionFile, m_problems);
    m_plan.title = m_description.title;
    m_plan.contents = m_description.contents;

    checkMap();
    checkContents();
    checkWordList();
    planAudio();
    planAnimations();
    if (m_options.media)
        checkMedia();
    return {m_problems, m_plan};
}

void Checker::reportUnreadable(const QString &file, const ListFileFailure &failure,
                               const QString &root)
{
    if (failure.text == QStringLiteral("open file err"))
        m_problems.error({file}, QStringLiteral("cannot be read"));
    else if (!failure.parserMessage.isEmpty())
        m_problems.error({file, failure.line}, QStringLiteral("not well-formed XML: %1 (column %2)")
                                                   .arg(failure.parserMessage)
                                                   .arg(failure.column));
    else
        m_problems.error({file, failure.line},
                         QStringLiteral("the root element must be <%1>; the program reads "
                                        "nothing else")
                             .arg(root));
}

// A list in another encoding parses into nonsense, or not at all, with messages about the
// symptoms; the cause is said instead, once, and the file is read no further.
bool Checker::isUtf8(const QString &file)
{
    QFile in(m_folder.path(file));
    if (!in.open(QIODevice::ReadOnly) || in.size() > maxListFileBytes)
        return true; // the reader says what is wrong with it
    const QByteArray bytes = in.readAll();
    if (const auto line = firstNonUtf8Line(bytes)) {
        m_problems.error({file, *line},
                         QStringLiteral("this line is not UTF-8: save the file as UTF-8, the one "
                                        "encoding the program reads its lists in"));
        return false;
    }
    if (const QString declared = declaredEncoding(bytes);
        !declared.isEmpty() && !isUtf8Name(declared)) {
        m_problems.error({file, 1}, QStringLiteral("declares encoding=\"%1\", but the program "
                                                   "reads its lists as UTF-8 only: save the file "
                                                   "as UTF-8 and declare UTF-8 or no encoding")
                                        .arg(declared));
        return false;
    }
    return true;
}

void Checker::checkAttributes(const QDomElement &element, const QStringList &known,
                              const Place &place)
{
    const QDomNamedNodeMap attributes = element.attributes();
    for (int n = 0; n < attributes.count(); ++n) {
        const QString name = attributes.item(n).nodeName();
        if (known.contains(name))
            continue;
        QString guess;
        for (const QString &candidate : known) {
            if (editDistance(name.toUpper(), candidate) <= 2)
                guess = candidate;
        }
        m_problems.warning(place, guess.isEmpty()
                                      ? QStringLiteral("attribute %1 is not read").arg(name)
                                      : QStringLiteral("attribute %1 is not read; did you mean "
                                                       "%2?")
                                            .arg(name, guess));
    }
}

// The items of a spread or unit as the program reads them, after saying what in their names
// and numbers differs from what the author will have meant.
QList<QDomElement> Checker::checkItems(const QDomElement &element, const ListSection &section,
                                       const Place &at, const QString &noun)
{
    const QString prefix = at.item.isEmpty() ? QString() : at.item + u' ';
    const auto placeOf = [&](const QDomElement &e, const QString &item) {
        return Place{at.file, e.lineNumber(), at.spread, prefix + item};
    };
    if (section.countElement.isNull()) {
        m_problems.error(at,
                         QStringLiteral("has no NO element, so none of its %1s is read").arg(noun));
        return {};
    }
    for (QDomElement no = section.countElement.nextSiblingElement(countName); !no.isNull();
         no = no.nextSiblingElement(countName))
        m_problems.warning(placeOf(no, {}), QStringLiteral("a second NO; only the first counts"));

    const Place countPlace = placeOf(section.countElement, {});
    const Number m = numberAttribute(section.countElement, QStringLiteral("m"));
    if (const auto wrong = notANumber(QStringLiteral("NO's m"), m)) {
        m_problems.error(countPlace,
                         *wrong + QStringLiteral(", so none of its %1s is read").arg(noun));
        return {};
    }
    if (m.value < 0) {
        m_problems.error(countPlace,
                         QStringLiteral("m is negative, so none of its %1s is read").arg(noun));
        return {};
    }

    QList<QDomElement> named;
    for (const auto &[i, elements] : section.items)
        named += elements;
    for (QDomElement child = element.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement()) {
        if (child.tagName() != countName && !named.contains(child))
            m_problems.error(placeOf(child, child.tagName()),
                             QStringLiteral("<%1> is never read: %2s are named N_0, N_1, ... "
                                            "without leading zeros")
                                 .arg(child.tagName(), noun));
    }

    int last = -1; // the highest item number below m
    for (const auto &[i, elements] : section.items) {
        const QString item = QStringLiteral("N_%1").arg(i);
        if (i >= m.value) {
            for (const QDomElement &e : elements)
                m_problems.error(placeOf(e, item),
                                 m.value == 0
                                     ? QStringLiteral("is never read: NO gives m = 0")
                                     : QStringLiteral("is never read: NO gives m = %1, so only "
                                                      "N_0 to N_%2 are read")
                                           .arg(m.value)
                                           .arg(m.value - 1));
            continue;
        }
        for (qsizetype n = 1; n < elements.size(); ++n)
            m_problems.error(placeOf(elements[n], item),
                             QStringLiteral("%1 again (the first is at line %2): both are read, "
                                            "as two %3s")
                                 .arg(item)
                                 .arg(elements[0].lineNumber())
                                 .arg(noun));
        if (i > last + 1)
            m_problems.error(
                placeOf(elements[0], item),
                QStringLiteral("%1 missing before it: %2s are numbered from N_0 "
                               "without gaps")
                    .arg(itemRun(last + 1, i - 1) +
                         (i - 1 > last + 1 ? QStringLiteral(" are") : QStringLiteral(" is")))
                    .arg(noun));
        last = i;
    }
    if (m.value > last + 1)
        m_problems.error(countPlace,
                         last < 0 ? QStringLiteral("m is %1, but there is no N_0").arg(m.value)
                                  : QStringLiteral("m is %1, but the last %2 is N_%3: m should "
                                                   "be %4")
                                        .arg(m.value)
                                        .arg(noun)
                                        .arg(last)
                                        .arg(last + 1));
    return section.itemsBelow(m.value);
}

// The audio segment an item names. Without any times it has none: an error where the item
// must be heard (a word), a warning otherwise.
std::optional<Segment> Checker::segmentOf(const QDomElement &element, const Place &place,
                                          bool isWord, const QString &english)
{
    const Number start = numberAttribute(element, startName);
    const Number end = numberAttribute(element, endName);
    // A word's times are easily taken for something of the word list's own: say which word
    // and where they are measured.
    const QString recording = m_folder.wordRecording().isEmpty()
                                  ? BookFolder::wordRecordingFile(QStringLiteral("mp3"))
                                  : m_folder.wordRecording();
    const auto aboutWord = [&](const QString &message) {
        if (!isWord)
            return message;
        return (english.isEmpty() ? QString() : QStringLiteral("\"%1\": ").arg(english)) + message +
               QStringLiteral("; a word's STARTTIME and ENDTIME are where it is spoken in %1, "
                              "in ms from the start of that recording")
                   .arg(recording);
    };
    if (start.isBlank() && end.isBlank()) {
        if (isWord)
            m_problems.error(place, aboutWord(QStringLiteral("no audio segment, so it is never "
                                                             "heard")));
        else
            m_problems.warning(place, QStringLiteral("no audio segment: a click on it plays "
                                                     "the first 200 ms of the recording"));
        return std::nullopt;
    }
    bool bad = false;
    for (const auto &[name, number] : {std::pair{startName, start}, std::pair{endName, end}}) {
        if (const auto wrong = notANumber(name, number)) {
            m_problems.error(place, aboutWord(*wrong));
            bad = true;
        } else if (number.value < 0) {
            m_problems.error(place, aboutWord(QStringLiteral("%1 is negative").arg(name)));
            bad = true;
        }
    }
    if (bad)
        return std::nullopt;
    if (end.value <= start.value) {
        m_problems.error(place, QStringLiteral("ENDTIME %1 is not after STARTTIME %2: it plays "
                                               "for one tick of the segment timer")
                                    .arg(end.value)
                                    .arg(start.value));
        return std::nullopt;
    }
    return Segment{place, start.value, end.value};
}

// One segment partly inside another cuts a sentence; one wholly inside another is how a
// heading reads a whole exercise, so that is only pointed out.
void Checker::checkOverlaps(const QList<Segment> &segments, const QString &noun)
{
    for (qsizetype a = 0; a < segments.size(); ++a) {
        for (qsizetype b = a + 1; b < segments.size(); ++b) {
            const Segment &first = segments[a];
            const Segment &second = segments[b];
            if (first.end <= second.start || second.end <= first.start)
                continue;
            const QString other = first.place.item.section(u' ', -1);
            const bool nested = (first.start <= second.start && second.end <= first.end) ||
                                (second.start <= first.start && first.end <= second.end);
            const QString message =
                QStringLiteral("its segment %1-%2 ms %3 the segment %4-%5 ms of %6 (line %7)")
                    .arg(second.start)
                    .arg(second.end)
                    .arg(nested ? QStringLiteral("nests with") : QStringLiteral("overlaps"))
                    .arg(first.start)
                    .arg(first.end)
                    .arg(other)
                    .arg(first.place.line);
            if (nested)
                m_problems.warning(second.place, message + QStringLiteral(": fine if one %1 "
                                                                          "reads both")
                                                               .arg(noun));
            else
                m_problems.error(second.place,
                                 message + QStringLiteral(": a click plays part of the other"));
        }
    }
}

std::optional<Checker::Sections> Checker::readSections(const QString &file, const QString &rootName,
                                                       int (*numberOf)(const QString &),
                                                       const QString &naming, bool bySpread)
{
    if (!isUtf8(file))
        return std::nullopt;
    ListFileFailure failure;
    Sections sections{ListFile::parse(m_folder.path(file), rootName, failure), {}};
    if (!sections.list) {
        reportUnreadable(file, failure, rootName);
        return std::nullopt;
    }
    for (QDomElement child = sections.list->document().documentElement().firstChildElement();
         !child.isNull(); child = child.nextSiblingElement()) {
        const QString tag = child.tagName();
        const int line = child.lineNumber();
        const int number = numberOf(tag);
        if (number < 0) {
            m_problems.error({file, line},
                             QStringLiteral("<%1> is never read: %2").arg(tag, naming));
        } else if (const auto [first, added] = sections.first.emplace(number, child); !added) {
            m_problems.error(bySpread ? Place{file, line, number} : Place{file, line, -1, tag},
                             QStringLiteral("a second %1 (the first is at line %2): only the "
                                            "first is read")
                                 .arg(tag)
                                 .arg(first->second.lineNumber()));
        }
    }
    return sections;
}

void Checker::checkMap()
{
    const QString file = BookFolder::mapFile;
    const auto map = readSections(file, bookRoot, spreadOf,
                                  QStringLiteral("spreads are tagged P<2k>-<2k+1>, such as P0-1 "
                                                 "and P4-5"),
                                  true);
    if (!map)
        return;
    m_mapRead = true;
    for (const auto &[k, element] : map->first) {
        if (k > m_plan.lastSpread) {
            m_problems.error({file, element.lineNumber(), k},
                             QStringLiteral("the book has no page image for it; it ends at "
                                            "spread %1")
                                 .arg(m_plan.lastSpread));
        } else {
            m_spreadLines[k] = element.lineNumber();
            checkSpread(k, element, *map->list->section(element.tagName()));
        }
    }
    // Runs of spreads without hotspots are said once: a book may have many plain pages.
    for (int k = 0; k <= m_plan.lastSpread; ++k) {
        if (m_spreadLines.contains(k))
            continue;
        int last = k;
        while (last < m_plan.lastSpread && !m_spreadLines.contains(last + 1))
            ++last;
        if (k == 0)
            m_problems.warning({file, 0, 0}, QStringLiteral("the contents spread is not in the "
                                                            "map: no contents entry can be "
                                                            "clicked"));
        else if (last == k)
            m_problems.warning({file, 0, k}, QStringLiteral("not in the map: nothing on it can "
                                                            "be pointed at or heard"));
        else
            m_problems.warning({file}, QStringLiteral("spreads %1 to %2 are not in the map: "
                                                      "nothing on them can be pointed at or "
                                                      "heard")
                                           .arg(k)
                                           .arg(last));
        k = last;
    }
}

void Checker::checkSpread(int k, const QDomElement &element, const ListSection &section)
{
    const QString file = BookFolder::mapFile;
    const QList<QDomElement> items =
        checkItems(element, section, {file, element.lineNumber(), k}, QStringLiteral("hotspot"));
    if (section.countElement.isNull())
        return;

    const Number flash = numberAttribute(section.countElement, QStringLiteral("FLASH"));
    const Place countPlace{file, section.countElement.lineNumber(), k};
    if (flash.given == Number::Given::Malformed)
        m_problems.error(countPlace, QStringLiteral("FLASH \"%1\" is not a number; it counts as "
                                                    "0, no animation")
                                         .arg(flash.text));
    else if (flash.value < 0 || flash.value > 2)
        m_problems.warning(countPlace,
                           QStringLiteral("FLASH %1 counts as 2, two animations").arg(flash.value));
    m_flash[k] = {flash.value, countPlace.line};

    QRegion covered;
    QList<std::pair<QRect, QString>> earlier; // the valid rectangles so far, by item
    QList<Segment> segments;
    for (const QDomElement &item : items) {
        const Place place{file, item.lineNumber(), k, item.tagName()};
        checkAttributes(item, hotspotAttributes, place);
        const Hotspot hotspot = hotspotFrom(attributesOf(item));
        if (k == 0)
            m_contentsEntries.append(place);

        bool cornersGiven = true;
        for (const QString &corner : corners) {
            if (const auto wrong = notANumber(corner, numberAttribute(item, corner))) {
                m_problems.error(place, *wrong);
                cornersGiven = false;
            }
        }
        const QRect &r = hotspot.rect;
        const QString corner = QStringLiteral("(%1, %2)-(%3, %4)")
                                   .arg(r.left())
                                   .arg(r.top())
                                   .arg(r.right())
                                   .arg(r.bottom());
        if (cornersGiven) {
            if (r.right() < r.left() || r.bottom() < r.top())
                m_problems.error(place, QStringLiteral("the rectangle %1 is inverted: RIGHT must "
                                                       "not be left of LEFT, nor BOTTOM above TOP")
                                            .arg(corner));
            else if (!QRect(QPoint(0, 0), spreadFrame).contains(r))
                m_problems.error(place, QStringLiteral("the rectangle %1 reaches outside the "
                                                       "page's 910 x 580 frame, (0, 0)-(909, 579)")
                                            .arg(corner));
            else if (QRegion(r).subtracted(covered).isEmpty())
                m_problems.error(place, QStringLiteral("the rectangle %1 lies wholly under %2, "
                                                       "and the lower number wins where "
                                                       "hotspots overlap: it can never be "
                                                       "pointed at")
                                            .arg(corner, coveringItems(r, earlier)));
        }
        if (r.isValid()) {
            covered += r;
            earlier.append({r, item.tagName()});
        }

        if (hotspot.text.isEmpty())
            m_problems.warning(place, QStringLiteral("TEXT is empty: pointing at it shows no tip"));

        if (k == 0) {
            if (item.hasAttribute(startName) && !item.attribute(startName).isEmpty())
                m_problems.warning(place, QStringLiteral("the contents spread plays no sound; "
                                                         "its times are not used"));
        } else if (const auto segment = segmentOf(item, place, false)) {
            segments.append(*segment);
        }
    }
    checkOverlaps(segments, QStringLiteral("hotspot"));
    m_segments[k] += segments;
}

void Checker::checkContents()
{
    const Place at{BookFolder::descriptionFile, m_description.contentsLine};
    const QList<int> &contents = m_plan.contents;
    for (qsizetype i = 0; i < contents.size(); ++i) {
        const int target = contents[i];
        if (target == 0)
            m_problems.error(at, QStringLiteral("contents entry %1 (N_%1) opens spread 0, the "
                                                "contents itself; write - for an entry that "
                                                "opens nothing")
                                     .arg(i));
        else if (target > m_plan.lastSpread && m_plan.lastSpread >= 0)
            m_problems.error(at, QStringLiteral("contents entry %1 (N_%1) opens spread %2, "
                                                "outside the book: its last spread is %3")
                                     .arg(i)
                                     .arg(target)
                                     .arg(m_plan.lastSpread));
        else if (target > 0 && i >= m_contentsEntries.size() && m_spreadLines.contains(0))
            m_problems.warning(at, QStringLiteral("contents entry %1 has no hotspot N_%1 on the "
                                                  "contents spread, so it can never be clicked")
                                       .arg(i));
    }
    // An entry the table marks "-" opens nothing on purpose; one it does not reach may not.
    for (qsizetype i = contents.size(); i < m_contentsEntries.size(); ++i)
        m_problems.warning(m_contentsEntries[i],
                           QStringLiteral("this contents entry opens nothing: the contents table "
                                          "in %1 ends before it")
                               .arg(BookFolder::descriptionFile));
}

void Checker::checkWordList()
{
    const QString file = BookFolder::wordListFile;
    const auto list = readSections(file, wordListRoot, unitOf,
                                   QStringLiteral("units are tagged unit1, unit2, ..."), false);
    if (!list)
        return;
    m_wordListRead = true;
    const int offered = Content::maxUnits;
    for (const auto &[unit, element] : list->first) {
        if (unit > offered)
            m_problems.warning({file, element.lineNumber(), -1, element.tagName()},
                               QStringLiteral("the practice offers units 1 to %1 only: this one "
                                              "is never shown")
                                   .arg(offered));
        else
            checkUnit(element, *list->list->section(element.tagName()));
    }
    const int rootLine = list->list->document().documentElement().lineNumber();
    if (!list->first.contains(1))
        m_problems.error({file, rootLine},
                         QStringLiteral("there is no unit1: word practice opens on unit 1"));
    const int lastUnit = list->first.empty() ? 0 : std::min(offered, list->first.rbegin()->first);
    m_plan.units = std::max(1, lastUnit);
    for (int unit = 2; unit < lastUnit; ++unit) {
        if (!list->first.contains(unit))
            m_problems.warning({file, rootLine},
                               QStringLiteral("there is no unit%1: the practice offers it, up "
                                              "to unit%2, and says it has no words")
                                   .arg(unit)
                                   .arg(lastUnit));
    }
}

void Checker::checkUnit(const QDomElement &element, const ListSection &section)
{
    const QString file = BookFolder::wordListFile;
    const QString tag = element.tagName();
    const QList<QDomElement> items =
        checkItems(element, section, {file, element.lineNumber(), -1, tag}, QStringLiteral("word"));
    std::map<QString, int> words; // English -> line
    QList<Segment> segments;
    for (const QDomElement &item : items) {
        const Place place{file, item.lineNumber(), -1, tag + u' ' + item.tagName()};
        checkAttributes(item, wordAttributes, place);
        const WordEntry entry = entryFrom(attributesOf(item));
        if (entry.english.isEmpty())
            m_problems.error(place, QStringLiteral("WORD is empty: there is nothing to type"));
        else if (const auto [first, added] = words.emplace(entry.english, place.line); !added)
            m_problems.warning(place, QStringLiteral("\"%1\" again (the first is at line %2)")
                                          .arg(entry.english)
                                          .arg(first->second));
        if (entry.meaning.isEmpty())
            m_problems.error(place, QStringLiteral("a word without a meaning: TEXT is empty, so "
                                                   "the child is shown nothing to go on"));
        if (const auto segment = segmentOf(item, place, true, entry.english))
            segments.append(*segment);
    }
    checkOverlaps(segments, QStringLiteral("word"));
    m_segments[Content::wordAudioSpread] += segments;
}

void Checker::planAudio()
{
    const auto &recordings = m_folder.recordings();
    const QString &words = m_folder.wordRecording();
    const int shared = Content::wordAudioSpread;
    for (const auto &[k, segments] : m_segments) {
        if (segments.isEmpty())
            continue;
        QString source = recordings.contains(k) ? recordings.at(k) : QString();
        if (k == shared && !words.isEmpty())
            source = words;
        if (!source.isEmpty()) {
            m_plan.audio[k] = source;
            continue;
        }
        const bool wordsOnly = std::all_of(segments.begin(), segments.end(), [](const Segment &s) {
            return s.place.file == BookFolder::wordListFile;
        });
        if (wordsOnly)
            m_problems.error({BookFolder::wordListFile, segments.first().place.line},
                             QStringLiteral("the words have audio segments, but there is no word "
                                            "recording, %1 (or any sound format)")
                                 .arg(BookFolder::wordRecordingFile(QStringLiteral("mp3"))));
        else
            m_problems.error({BookFolder::mapFile, m_spreadLines[k], k},
                             QStringLiteral("its hotspots have audio segments, but there is no "
                                            "recording, %1 (or any sound format)")
                                 .arg(BookFolder::recordingFile(k, QStringLiteral("mp3"))));
    }
    for (const auto &[k, file] : recordings) {
        const Place at{file, 0, k};
        if (k == 0)
            m_problems.warning(at, QStringLiteral("the contents spread plays no sound; this "
                                                  "recording is never heard"));
        else if (k > m_plan.lastSpread)
            m_problems.warning(at, QStringLiteral("there is no such spread; the book ends at "
                                                  "spread %1")
                                       .arg(m_plan.lastSpread));
        else if (k == shared && !words.isEmpty())
            m_problems.error(at, QStringLiteral("spread %1's audio is the word audio, one file: "
                                                "give its segments in %2 and remove this one")
                                     .arg(shared)
                                     .arg(words));
        else if (!m_plan.audio.contains(k) && m_mapRead)
            m_problems.warning(at, QStringLiteral("no hotspot of the spread has an audio "
                                                  "segment, so it is never heard"));
    }
    if (!words.isEmpty() && !m_plan.audio.contains(shared) && m_wordListRead)
        m_problems.warning({words}, QStringLiteral("no word has an audio segment, so it is "
                                                   "never heard"));
}

// Every animation of the book is made, so that the map can give it a button later; one that
// has none yet is pointed out.
void Checker::planAnimations()
{
    for (const bool second : {false, true}) {
        const auto &files = second ? m_folder.secondAnimations() : m_folder.firstAnimations();
        auto &planned = second ? m_plan.secondAnimations : m_plan.firstAnimations;
        for (const auto &[k, file] : files) {
            const int flash = m_flash.contains(k) ? m_flash.at(k).first : 0;
            if (k > m_plan.lastSpread) {
                m_problems.warning({file, 0, k}, QStringLiteral("there is no such spread; the "
                                                                "book ends at spread %1")
                                                     .arg(m_plan.lastSpread));
                continue;
            }
            planned[k] = file;
            if (m_mapRead && (flash == 0 || (second && flash == 1)))
                m_problems.warning(
                    {file, 0, k},
                    QStringLiteral("never shown: the map gives the spread FLASH %1").arg(flash));
        }
    }
    for (const auto &[k, flash] : m_flash) {
        const auto &[count, line] = flash;
        for (const bool second : {false, true}) {
            const auto &planned = second ? m_plan.secondAnimations : m_plan.firstAnimations;
            if (count == 0 || (second && count == 1) || planned.contains(k))
                continue;
            m_problems.error({BookFolder::mapFile, line, k},
                             QStringLiteral("FLASH is %1, but there is no %2 (or any movie "
                                            "format): its button plays nothing")
                                 .arg(count)
                                 .arg(BookFolder::animationFile(k, second, QStringLiteral("mp4"))));
        }
    }
}

void Checker::checkMedia()
{
    struct Task
    {
        enum class Kind { Page, Recording, Animation } kind;
        int k;
        QString file;
    };
    QList<Task> tasks;
    for (const auto &[k, file] : m_plan.pages)
        tasks.append({Task::Kind::Page, k, file});
    for (const auto &[k, file] : m_plan.audio)
        tasks.append({Task::Kind::Recording, k, file});
    for (const auto *animations : {&m_plan.firstAnimations, &m_plan.secondAnimations}) {
        for (const auto &[k, file] : *animations)
            tasks.append({Task::Kind::Animation, k, file});
    }
    const bool canDecode = !m_options.programs.ffmpeg.isEmpty();
    if (!canDecode)
        m_problems.error({m_folder.root()},
                         QStringLiteral("ffmpeg is not found, so recordings and animations are "
                                        "not checked; it comes with the Debian package ffmpeg"));

    QList<Problems> found(tasks.size());
    Progress progress(QStringLiteral("checking pages, recordings and animations"),
                      static_cast<int>(tasks.size()), m_options.progress);
    runParallel(static_cast<int>(tasks.size()), m_options.jobs, [&](int n) {
        const Task &task = tasks[n];
        switch (task.kind) {
        case Task::Kind::Page:
            checkPage(task.k, task.file, found[n]);
            break;
        case Task::Kind::Recording:
            if (canDecode)
                checkRecording(task.k, task.file, found[n]);
            break;
        case Task::Kind::Animation:
            if (canDecode)
                checkAnimation(task.k, task.file, found[n]);
            break;
        }
        progress.step();
    });
    for (const Problems &problems : found)
        m_problems.append(problems);
}

void Checker::checkPage(int k, const QString &file, Problems &problems) const
{
    const ScanReading scan = readScan(m_folder.path(file), m_cache);
    if (!scan.readable) {
        problems.error({file, 0, k},
                       QStringLiteral("cannot be read as an image: %1").arg(scan.why));
        return;
    }
    const QSize &size = scan.size;
    const double shape = double(size.width()) / size.height();
    const double frame = double(spreadFrame.width()) / spreadFrame.height();
    // Nearer the shape of one page (half the frame) than that of the two.
    if (shape < frame / std::sqrt(2.0)) {
        const QSize padded = paddedToFrame({2 * size.width(), size.height()});
        problems.warning({file, 0, k},
                         QStringLiteral("%1 x %2 has the shape of one page, but the image of a "
                                        "spread shows both its pages, %3 and %4, side by side: "
                                        "as it is, it is stretched across both. Put the two "
                                        "scans side by side and pad them to %5 x %6, the 910 : "
                                        "580 shape")
                             .arg(size.width())
                             .arg(size.height())
                             .arg(2 * k)
                             .arg(2 * k + 1)
                             .arg(padded.width())
                             .arg(padded.height()));
    } else if (std::abs(shape / frame - 1.0) > shapeTolerance) {
        const QSize padded = paddedToFrame(size);
        problems.warning({file, 0, k},
                         QStringLiteral("%1 x %2 is far from the 910 : 580 shape of the page "
                                        "view: it will be stretched to fit. Pad it to %3 x %4, "
                                        "that shape")
                             .arg(size.width())
                             .arg(size.height())
                             .arg(padded.width())
                             .arg(padded.height()));
    }
    const QSize full = Layout::fullScreenPageView;
    const auto smallerThan = [&size](QSize page) {
        return size.width() < page.width() || size.height() < page.height();
    };
    if (smallerThan(full))
        problems.warning({file, 0, k},
                         QStringLiteral("%1 x %2 is smaller than the full-screen page, %3 x %4: "
                                        "it will look soft there")
                             .arg(size.width())
                             .arg(size.height())
                             .arg(full.width())
                             .arg(full.height()));
    else if (smallerThan(full * 2))
        problems.warning({file, 0, k},
                         QStringLiteral("%1 x %2 is too small for 2x: on a screen at 200 %, the "
                                        "full-screen page has %3 x %4 pixels, and this image is "
                                        "scaled up to that and looks soft there")
                             .arg(size.width())
                             .arg(size.height())
                             .arg(full.width() * 2)
                             .arg(full.height() * 2));
    if (!scan.decodes)
        problems.error({file, 0, k}, QStringLiteral("does not decode: %1").arg(scan.why));
}

void Checker::checkRecording(int k, const QString &file, Problems &problems) const
{
    QString why;
    const auto loudness =
        Loudness::measure(m_options.programs.ffmpeg, m_folder.path(file), m_cache, &why);
    if (!loudness) {
        problems.error({file}, QStringLiteral("does not decode as sound: %1").arg(why));
        return;
    }
    for (const Segment &segment : m_segments.at(k)) {
        if (segment.end > loudness->durationMs())
            problems.error(segment.place,
                           QStringLiteral("its segment %1-%2 ms runs past the end of %3, which "
                                          "lasts %4 ms")
                               .arg(segment.start)
                               .arg(segment.end)
                               .arg(file)
                               .arg(loudness->durationMs()));
        else if (loudness->isSilent(segment.start, segment.end))
            problems.error(segment.place,
                           QStringLiteral("its segment %1-%2 ms of %3 is silent: a click on it "
                                          "plays nothing")
                               .arg(segment.start)
                               .arg(segment.end)
                               .arg(file));
    }
}

void Checker::checkAnimation(int k, const QString &file, Problems &problems) const
{
    const ProcessResult decoded = runProcess(
        m_options.programs.ffmpeg,
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), m_folder.path(file),
         QStringLiteral("-map"), QStringLiteral("0:v:0"), QStringLiteral("-frames:v"),
         QStringLiteral("5"), QStringLiteral("-f"), QStringLiteral("null"), QStringLiteral("-")});
    if (!decoded.ok)
        problems.error({file, 0, k}, QStringLiteral("does not decode as a movie: %1")
                                         .arg(decoded.error.section(u'\n', 0, 0)));
}

} // namespace

CheckResult checkBook(const QString &folder, const CheckOptions &options)
{
    return Checker(folder, options).run();
}
