#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QHash>
#include <QList>
#include <QString>
#include <QXmlStreamAttributes>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

// Tells the user that a description file cannot be read. The program hands in its critical
// box, tests a recorder; an empty report tells no one.
using ReadFailureReport = std::function<void(const QString &title, const QString &text)>;

// Past these a description file is refused with the parse-error box instead of being read:
// no book needs more, and reading more takes seconds.
inline constexpr qint64 maxListFileBytes = 16 * 1024 * 1024;
inline constexpr int maxListFileDepth = 256;

// One section of a description file (a spread of the page map, a unit of the word list) as the
// reader meets it: the attributes of its first "NO" element, and its N_<i> items with their i,
// in document order.
struct RawSection
{
    std::optional<QXmlStreamAttributes> count;
    QList<std::pair<int, QXmlStreamAttributes>> items;
};

// Reads a description file's bytes in one pass and hands over the first section of each tag
// (a direct child of the root) as it ends. True when the bytes are a document whose root is
// `rootName`; otherwise reports why, as a fresh read of the file would, and returns false.
bool readSections(const QByteArray &bytes, QStringView rootName,
                  const std::function<void(const QString &tag, RawSection &&section)> &take,
                  const ReadFailureReport &report);

// The bytes of a description file, opened as text; nothing after reporting a file that cannot
// be opened or is too large.
std::optional<QByteArray> readListFileBytes(const QString &path, const ReadFailureReport &report);

// A base-10 attribute as the description files hold numbers: 0 when absent, empty or not a
// number.
int intAttribute(const QXmlStreamAttributes &attributes, QLatin1StringView name);

// The numbers of a section's count element: "m" and, in the page map, "FLASH".
struct ListCount
{
    int m = 0;
    int flash = 0;
};

// A description file read once: for each section tag, the numbers of the first section's
// count element and its items N_0 ... N_<m-1> as the record's Item, ordered by i, repeated
// names in document order. That is all a load of the section reads, so nothing else is kept:
// not the items past m, nor sections without a count element, which load nothing.
template<typename Item>
class ListFile
{
public:
    using MakeItem = Item (*)(const QXmlStreamAttributes &attributes);

    struct Section
    {
        ListCount count;
        QList<Item> items;
    };

    // Null after the failure has been reported.
    static std::shared_ptr<const ListFile> parse(const QByteArray &bytes, QStringView rootName,
                                                 MakeItem makeItem, const ReadFailureReport &report)
    {
        auto file = std::make_shared<ListFile>();
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
        if (!readSections(bytes, rootName, take, report))
            return nullptr;
        return file;
    }

    static std::shared_ptr<const ListFile> read(const QString &path, QStringView rootName,
                                                MakeItem makeItem, const ReadFailureReport &report)
    {
        const auto bytes = readListFileBytes(path, report);
        return bytes ? parse(*bytes, rootName, makeItem, report) : nullptr;
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
class ListFileCache
{
public:
    ListFileCache(QString rootName, typename ListFile<Item>::MakeItem makeItem,
                  ReadFailureReport report)
        : m_rootName(std::move(rootName))
        , m_makeItem(makeItem)
        , m_report(std::move(report))
    {}

    std::shared_ptr<const ListFile<Item>> load(const QString &path)
    {
        const auto bytes = readListFileBytes(path, m_report);
        if (!bytes) {
            m_file.reset();
            return nullptr;
        }
        // A digest rather than size and time: a file rewritten within the time stamp's
        // resolution keeps both.
        const QByteArray digest = QCryptographicHash::hash(*bytes, QCryptographicHash::Blake2b_256);
        if (!m_file || digest != m_digest) {
            m_file = ListFile<Item>::parse(*bytes, m_rootName, m_makeItem, m_report);
            m_digest = digest;
        }
        return m_file;
    }

private:
    QString m_rootName;
    typename ListFile<Item>::MakeItem m_makeItem;
    ReadFailureReport m_report;
    QByteArray m_digest;
    std::shared_ptr<const ListFile<Item>> m_file;
};
