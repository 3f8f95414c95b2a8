#include "tools/mvrbook/bookfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>

namespace {

// The files of a subfolder, by name, without hidden files (editors' and systems' leftovers).
QFileInfoList filesIn(const QString &dir)
{
    return QDir(dir).entryInfoList(QDir::Files, QDir::Name);
}

// Puts a file under its number, or says that the number is taken.
void place(std::map<int, QString> &files, int k, const QString &relative, const QString &what,
           Problems &problems)
{
    if (const auto [it, added] = files.emplace(k, relative); !added) {
        problems.error({relative, 0, k},
                       QStringLiteral("%1 is %2 as well; remove one").arg(it->second, what));
    }
}

// Scans of spreads named by the number of their left page (00, 02, 04, ...) leave every odd
// spread without an image. Said as what it is, the mistake is mended at once; the missing
// spreads alone would suggest missing scans.
QString pageNumberingHint(const std::map<int, QString> &pages)
{
    if (pages.size() < 2 || pages.rbegin()->first < 2)
        return {};
    QStringList examples;
    for (const auto &[k, file] : pages) {
        if (k % 2 != 0)
            return {};
        if (k > 0 && examples.size() < 2)
            examples.append(QStringLiteral("%1 should be %2.%3")
                                .arg(file.section(u'/', -1))
                                .arg(k / 2)
                                .arg(QFileInfo(file).suffix()));
    }
    return QStringLiteral("the images are numbered 0, 2, 4, ... as pages are, but each is named "
                          "by its spread, the number of its left page / 2: %1, and so on")
        .arg(examples.join(QStringLiteral(", ")));
}

} // namespace

BookFolder::BookFolder(const QString &root, Problems &problems)
    : m_root(QDir(root).absolutePath())
    , m_exists(QFileInfo(root).isDir())
{
    if (!m_exists)
        return;
    static const QRegularExpression spreadNumber(QStringLiteral(R"(^(\d{1,6})$)"));
    static const QRegularExpression animationName(QStringLiteral(R"(^(\d{1,6})(b?)$)"));

    QStringList imageSuffixes;
    for (const QByteArray &format : QImageReader::supportedImageFormats())
        imageSuffixes.append(QString::fromLatin1(format).toLower());

    for (const QFileInfo &file : filesIn(path(pagesDir))) {
        const QString relative = pagesDir + u'/' + file.fileName();
        const auto match = spreadNumber.match(file.completeBaseName());
        if (!match.hasMatch()) {
            problems.warning({relative}, QStringLiteral("not a page image: page images are named "
                                                        "by their spread, 0.jpg, 1.jpg, ..."));
        } else if (!imageSuffixes.contains(file.suffix().toLower())) {
            problems.error({relative, 0, match.captured(1).toInt()},
                           QStringLiteral("\"%1\" images cannot be read; use JPEG, PNG, TIFF, "
                                          "BMP or WebP")
                               .arg(file.suffix()));
        } else {
            place(m_pages, match.captured(1).toInt(), relative,
                  QStringLiteral("the same spread's page image"), problems);
        }
    }
    // The spreads must run from 0 without a gap: the page view steps through every one.
    if (const QString hint = pageNumberingHint(m_pages); !hint.isEmpty())
        problems.error({pagesDir}, hint);
    for (int k = 0; !m_pages.empty() && k < m_pages.rbegin()->first; ++k) {
        if (!m_pages.contains(k))
            problems.error({pagesDir, 0, k},
                           QStringLiteral("no page image; the book has pages up to spread %1")
                               .arg(m_pages.rbegin()->first));
    }

    for (const QFileInfo &file : filesIn(path(audioDir))) {
        const QString relative = audioDir + u'/' + file.fileName();
        const QString name = file.completeBaseName();
        if (name == wordRecordingName) {
            if (!m_wordRecording.isEmpty())
                problems.error({relative}, QStringLiteral("%1 is the word recording as well; "
                                                          "remove one")
                                               .arg(m_wordRecording));
            else
                m_wordRecording = relative;
        } else if (const auto match = spreadNumber.match(name); match.hasMatch()) {
            place(m_recordings, match.captured(1).toInt(), relative,
                  QStringLiteral("the same spread's recording"), problems);
        } else {
            problems.warning({relative}, QStringLiteral("not a recording: recordings are named "
                                                        "by their spread, 1.mp3, 2.mp3, ..., "
                                                        "and words.mp3"));
        }
    }

    for (const QFileInfo &file : filesIn(path(animationsDir))) {
        const QString relative = animationsDir + u'/' + file.fileName();
        const auto match = animationName.match(file.completeBaseName());
        if (!match.hasMatch()) {
            problems.warning({relative}, QStringLiteral("not an animation: animations are named "
                                                        "by their spread, 2.mp4, and 2b.mp4 for "
                                                        "a second one"));
            continue;
        }
        const bool second = !match.captured(2).isEmpty();
        place(second ? m_secondAnimations : m_firstAnimations, match.captured(1).toInt(), relative,
              second ? QStringLiteral("the same spread's second animation")
                     : QStringLiteral("the same spread's first animation"),
              problems);
    }
}

QString BookFolder::path(const QString &relative) const
{
    return m_root + u'/' + relative;
}
