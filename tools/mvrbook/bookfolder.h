#pragma once

#include "tools/mvrbook/problems.h"

#include <QString>
#include <QStringList>

#include <map>

// The files of a book folder, found by their names:
//   book.ini, point.xml, word.xml
//   pages/<k>.<image>          the page image of spread k, 0 ... last
//   audio/<k>.<sound>          the recording of spread k; audio/words.<sound> all words
//   animations/<k>.<movie>     the first animation of spread k; <k>b the second
// k is the spread index in decimal; leading zeros are allowed (007.jpg is spread 7).
class BookFolder
{
public:
    static inline const QString descriptionFile = QStringLiteral("book.ini");
    static inline const QString mapFile = QStringLiteral("point.xml");
    static inline const QString wordListFile = QStringLiteral("word.xml");
    static inline const QString pagesDir = QStringLiteral("pages");
    static inline const QString audioDir = QStringLiteral("audio");
    static inline const QString animationsDir = QStringLiteral("animations");
    static inline const QString wordRecordingName = QStringLiteral("words");

    // The names the folder's files go by, with the suffix of their format.
    static QString pageFile(int k, const QString &suffix)
    {
        return QStringLiteral("%1/%2.%3").arg(pagesDir).arg(k).arg(suffix);
    }
    static QString recordingFile(int k, const QString &suffix)
    {
        return QStringLiteral("%1/%2.%3").arg(audioDir).arg(k).arg(suffix);
    }
    static QString wordRecordingFile(const QString &suffix)
    {
        return QStringLiteral("%1/%2.%3").arg(audioDir, wordRecordingName, suffix);
    }
    static QString animationFile(int k, bool second, const QString &suffix)
    {
        return QStringLiteral("%1/%2%3.%4")
            .arg(animationsDir)
            .arg(k)
            .arg(second ? QStringLiteral("b") : QString(), suffix);
    }

    // The book's files and folders in the order an author goes through them.
    static QStringList fileOrder()
    {
        return {descriptionFile, mapFile, wordListFile, pagesDir, audioDir, animationsDir};
    }

    // Lists the folder's files; names it cannot place go to `problems`.
    BookFolder(const QString &root, Problems &problems);

    bool exists() const { return m_exists; }
    const QString &root() const { return m_root; }
    // The absolute path of a file given relative to the folder.
    QString path(const QString &relative) const;

    // Paths relative to the folder, by spread index.
    const std::map<int, QString> &pages() const { return m_pages; }
    const std::map<int, QString> &recordings() const { return m_recordings; }
    const QString &wordRecording() const { return m_wordRecording; }
    const std::map<int, QString> &firstAnimations() const { return m_firstAnimations; }
    const std::map<int, QString> &secondAnimations() const { return m_secondAnimations; }

    // The book's last spread: the number of page images less one, or, where images are
    // missing, the highest spread that has one; -1 without any.
    int lastSpread() const { return m_pages.empty() ? -1 : m_pages.rbegin()->first; }

private:
    QString m_root;
    bool m_exists = false;
    std::map<int, QString> m_pages;
    std::map<int, QString> m_recordings;
    QString m_wordRecording;
    std::map<int, QString> m_firstAnimations;
    std::map<int, QString> m_secondAnimations;
};
