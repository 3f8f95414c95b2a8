#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QDomDocument>
#include <QDomElement>
#include <QHash>
#include <QList>
#include <QString>
#include <QXmlStreamAttributes>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>

// Tells the user that a description file cannot be read. The program hands in its critical
// box, tests a recorder; an empty report tells no one.
using ReadFailureReport = std::function<void(const QString &title, const QString &text)>;

// Why a description file cannot be used: what the user is told, and where in the file the
// reader stopped (0 when it did not get that far).
struct ListFileFailure
{
    QString title;
    QString text;
    QString parserMessage; // the XML parser's own words, for a file that does not parse
    int line = 0;
    int column = 0;
};

// Past these a description file is refused with the parse-error box instead of being read:
// no book needs more, and reading more takes seconds.
inline constexpr qint64 maxListFileBytes = 16 * 1024 * 1024;
inline constexpr int maxListFileDepth = 256;

// The bytes of a description file, opened as text; nothing when it cannot be opened or is too
// large.
std::optional<QByteArray> readListFileBytes(const QString &path, ListFileFailure &failure);

// One section of a description file (a spread of the page map, a unit of the word list) as the
// reader meets it: the attributes of its first "NO" element, and its N_<i> items with their i,
// in document order.
struct RawSection
{
    std::optional<QXmlStreamAttributes> count;
    QList<std::pair<int, QXmlStreamAttributes>> items;
};

// Reads a description file's bytes in one pass and hands over the first section of each tag
// (a direct child of the root) as it ends; `take` may be empty. True when the bytes are a
// document no deeper than the limit whose root is `rootName`.
bool readSections(const QByteArray &bytes, QStringView rootName,
                  const std::function<void(const QString &tag, RawSection &&section)> &take,
                  ListFileFailure &failure);

// A base-10 attribute as the description files hold numbers: 0 when absent, empty or not a
// number.
int intAttribute(const QXmlStreamAttributes &attributes, QLatin1StringView name);

// An element's attributes as the reader meets them, so that a tool walking the document turns
// an item into a hotspot or a word exactly as the program does.
QXmlStreamAttributes attributesOf(const QDomElement &element);

// Tells the user, when there is a report to tell it to.
void tellFailure(const ReadFailureReport &report, const ListFileFailure &failure);

// The numbers of a section's count element: "m" and, in the page map, "FLASH".
struct ListCount
{
    int m = 0;
    int flash = 0;
};

// What the program keeps of a description file: for each section tag, the numbers of the
// first section's count element and its items N_0 ... N_<m-1> as the record's Item, ordered by
// i, repeated names in document order. That is all a load of the section reads, so nothing
// else is kept: not the items past m, nor sections without a count element, which load
// nothing.
template<typename Item>
class ListItems
{
public:
    using MakeItem = Item (*)(const QXmlStreamAttributes &attributes);

    struct Section
    {
        ListCount count;
        QList<Item> items;
    };

    // Null after the failure has been reported.
    static std::shared_ptr<const ListItems> parse(const QByteArray &bytes, QStringView rootName,
                                                  MakeItem makeItem,
                                                  const ReadFailureReport &report)
    {
        auto file = std::make_shared<ListItems>();
        const auto take = [&](const QString &tag, RawSection &&raw) {
            if (!raw.count)
                return;
            Section section{{intAttribute(*raw.count, QLatin1StringView("m")),
                             intAttribute(*raw.count, QLatin1StringView("FLASH"))},
                            {}};
            std::stable_sort(raw.items.begin(), raw.items.end(),
                             [](const auto &a, const auto &b) { return a.first < b.first; });
            for (const auto &[i, attributes] : std::as_const(raw.items)) {
                if (i >= section.count.m)
                    break;
                section.items.append(makeItem(attributes));
            }
            file->m_sections.insert(tag, std::move(section));
        };
        ListFileFailure failure;
        if (!readSections(bytes, rootName, take, failure)) {
            tellFailure(report, failure);
            return nullptr;
        }
        return file;
    }

    static std::shared_ptr<const ListItems> read(const QString &path, QStringView rootName,
                                                 MakeItem makeItem, const ReadFailureReport &report)
    {
        ListFileFailure failure;
        const auto bytes = readListFileBytes(path, failure);
        if (!bytes) {
            tellFailure(report, failure);
            return nullptr;
        }
        return parse(*bytes, rootName, makeItem, report);
    }

    // The first section with this tag, or null when the file has none or it has no count
    // element.
    const Section *section(const QString &tag) const
    {
        const auto it = m_sections.constFind(tag);
        return it == m_sections.constEnd() ? nullptr : &*it;
    }

private:
    QHash<QString, Section> m_sections;
};

// Keeps the file last read and reads it afresh only when its bytes changed, so a record that
// reloads on every change of spread stays cheap and never differs from a fresh read. The file
// is opened on every load, so an unreadable one is reported each time, as is one that cannot
// be parsed.
template<typename Item>
class ListItemsCache
{
public:
    ListItemsCache(QString rootName, typename ListItems<Item>::MakeItem makeItem,
                   ReadFailureReport report)
        : m_rootName(std::move(rootName))
        , m_makeItem(makeItem)
        , m_report(std::move(report))
    {}

    std::shared_ptr<const ListItems<Item>> load(const QString &path)
    {
        ListFileFailure failure;
        const auto bytes = readListFileBytes(path, failure);
        if (!bytes) {
            tellFailure(m_report, failure);
            m_file.reset();
            return nullptr;
        }
        // A digest rather than size and time: a file rewritten within the time stamp's
        // resolution keeps both.
        const QByteArray digest = QCryptographicHash::hash(*bytes, QCryptographicHash::Blake2b_256);
        if (!m_file || digest != m_digest) {
            m_file = ListItems<Item>::parse(*bytes, m_rootName, m_makeItem, m_report);
            m_digest = digest;
        }
        return m_file;
    }

private:
    QString m_rootName;
    typename ListItems<Item>::MakeItem m_makeItem;
    ReadFailureReport m_report;
    QByteArray m_digest;
    std::shared_ptr<const ListItems<Item>> m_file;
};

// One section of a description file in the whole parsed document: its first "NO" element and
// its N_<i> items, found by the rules of readSections().
struct ListSection
{
    QDomElement countElement;                // null when the section has no "NO" child
    std::map<int, QList<QDomElement>> items; // by i; each list in document order

    // The items named N_0 ... N_<count-1>, by i, repeated names in document order: what a
    // walk over every name below count finds, without walking names that do not occur.
    QList<QDomElement> itemsBelow(int count) const;
};

// A description file parsed whole, with line numbers, for tools that check what the program
// skips. A file the program refuses is refused here with the same failure.
class ListFile
{
public:
    // Null after filling `failure`.
    static std::shared_ptr<const ListFile> parse(const QString &path, const QString &rootName,
                                                 ListFileFailure &failure);

    // The first section element with this tag, or null when the file has none.
    const ListSection *section(const QString &tag) const;
    const QDomDocument &document() const { return m_document; }

private:
    QDomDocument m_document; // owns the elements the sections point to
    std::map<QString, ListSection> m_sections;
};
