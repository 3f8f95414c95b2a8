#include "tools/mvrbook/bookdraft.h"

#include "content/content.h"
#include "tools/common/savefile.h"
#include "tools/mvrbook/bookfolder.h"
#include "tools/mvrbook/process.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>

namespace {

QString timingName(DraftHotspot::Timing timing)
{
    switch (timing) {
    case DraftHotspot::Untimed:
        return QStringLiteral("untimed");
    case DraftHotspot::Found:
        return QStringLiteral("found");
    case DraftHotspot::Reordered:
        return QStringLiteral("reordered");
    case DraftHotspot::Missing:
        return QStringLiteral("missing");
    }
    return {};
}

} // namespace

namespace DraftFiles {

QByteArray map(const std::map<int, SpreadDraft> &spreads, const std::map<int, int> &flash)
{
    QString xml = QStringLiteral("<Book>\n");
    for (const auto &[k, spread] : spreads) {
        if (spread.hotspots.isEmpty())
            continue;
        const QString tag = Content::spreadTag(k);
        const auto animations = flash.find(k);
        xml += QStringLiteral("\t<%1>\n\t\t<NO m=\"%2\" FLASH=\"%3\"/>\n")
                   .arg(tag)
                   .arg(spread.hotspots.size())
                   .arg(animations == flash.end() ? 0 : animations->second);
        for (qsizetype i = 0; i < spread.hotspots.size(); ++i) {
            const DraftHotspot &hotspot = spread.hotspots[i];
            const QRect &r = hotspot.rect;
            const bool timed = hotspot.startTime >= 0;
            xml += QStringLiteral("\t\t<N_%1 LEFT=\"%2\" TOP=\"%3\" RIGHT=\"%4\" BOTTOM=\"%5\" "
                                  "STARTTIME=\"%6\" ENDTIME=\"%7\" TEXT=\"\"/>\n")
                       .arg(i)
                       .arg(r.left())
                       .arg(r.top())
                       .arg(r.right())
                       .arg(r.bottom())
                       .arg(timed ? QString::number(hotspot.startTime) : QString())
                       .arg(timed ? QString::number(hotspot.endTime) : QString());
        }
        xml += QStringLiteral("\t</%1>\n").arg(tag);
    }
    return (xml + QStringLiteral("</Book>\n")).toUtf8();
}

QByteArray sidecar(const std::map<int, SpreadDraft> &spreads)
{
    QJsonArray list;
    for (const auto &[k, spread] : spreads) {
        QJsonArray hotspots;
        for (qsizetype i = 0; i < spread.hotspots.size(); ++i) {
            const DraftHotspot &hotspot = spread.hotspots[i];
            hotspots.append(QJsonObject{
                {QStringLiteral("hotspot"), QStringLiteral("N_%1").arg(i)},
                {QStringLiteral("english"), hotspot.english},
                {QStringLiteral("heard"), timingName(hotspot.timing)},
                {QStringLiteral("confidence"), qRound(hotspot.confidence * 100) / 100.0},
                {QStringLiteral("readConfidence"), qRound(hotspot.readConfidence * 100) / 100.0},
            });
        }
        list.append(
            QJsonObject{{QStringLiteral("spread"), k},
                        {QStringLiteral("tag"), Content::spreadTag(k)},
                        {QStringLiteral("problems"), QJsonArray::fromStringList(spread.problems)},
                        {QStringLiteral("hotspots"), hotspots}});
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("spreads"), list}}).toJson();
}

} // namespace DraftFiles

BookDraft draftBook(const QString &folder, const DraftOptions &options,
                    const std::function<void(int k, const SpreadDraft &)> &done)
{
    BookDraft draft;
    Problems problems;
    const BookFolder book(folder, problems);
    if (!book.exists()) {
        draft.failure = QStringLiteral("%1: no such folder").arg(folder);
        return draft;
    }
    if (book.pages().empty()) {
        draft.failure =
            QStringLiteral("%1 holds no page images in %2/").arg(folder, BookFolder::pagesDir);
        return draft;
    }
    const QString mapPath = book.path(BookFolder::mapFile);
    if (QFile::exists(mapPath) && !options.force) {
        draft.failure = QStringLiteral("%1 exists; give --force to draft a new one (the old one is "
                                       "kept as %2%3)")
                            .arg(mapPath, BookFolder::mapFile, DraftFiles::backupSuffix);
        return draft;
    }

    std::vector<std::pair<int, QString>> pages(book.pages().begin(), book.pages().end());
    QMutex mutex;
    runParallel(int(pages.size()), options.jobs, [&](int n) {
        const auto &[k, page] = pages[size_t(n)];
        QString recording;
        QStringList notes;
        // The contents spread is clicked to open a unit, never heard.
        if (k != 0) {
            if (const auto it = book.recordings().find(k); it != book.recordings().end())
                recording = book.path(it->second);
            else
                notes.append(QStringLiteral("no recording (%1): the hotspots have no times")
                                 .arg(BookFolder::recordingFile(k, QStringLiteral("*"))));
        }
        SpreadDraft spread = draftSpread(book.path(page), recording, options.programs);
        spread.problems = notes + spread.problems;
        if (done)
            done(k, spread);
        const QMutexLocker lock(&mutex);
        draft.spreads.emplace(k, std::move(spread));
    });

    std::map<int, int> flash;
    for (const auto &[k, movie] : book.firstAnimations())
        flash[k] = book.secondAnimations().count(k) ? 2 : 1;
    if (QFile::exists(mapPath)) {
        const QString backup = mapPath + DraftFiles::backupSuffix;
        QFile::remove(backup);
        if (!QFile::copy(mapPath, backup)) {
            draft.failure = QStringLiteral("cannot keep %1 as %2").arg(mapPath, backup);
            return draft;
        }
    }
    if (!writeAtomically(mapPath, DraftFiles::map(draft.spreads, flash)) ||
        !writeAtomically(book.path(DraftFiles::sidecarFile), DraftFiles::sidecar(draft.spreads)))
        draft.failure = QStringLiteral("cannot write the draft into %1").arg(folder);
    return draft;
}
