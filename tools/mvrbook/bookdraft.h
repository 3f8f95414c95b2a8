#pragma once

#include "tools/mvrbook/draft/spreaddraft.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <map>

struct DraftOptions
{
    DraftPrograms programs;
    int jobs = 1;
    bool force = false; // write over an existing map, keeping it as point.xml.bak
};

struct BookDraft
{
    std::map<int, SpreadDraft> spreads; // by spread index, every spread with a page image
    QString failure;                    // why nothing was written; empty when the draft was
};

// Drafts the hotspot map of a book folder from its page images and recordings, spreads in
// parallel, and writes it as point.xml with the sidecar draft.json beside it. `done` is called
// for each spread as it is drafted, from the thread that drafted it.
BookDraft draftBook(const QString &folder, const DraftOptions &options,
                    const std::function<void(int k, const SpreadDraft &)> &done = {});

namespace DraftFiles {

inline const QString sidecarFile = QStringLiteral("draft.json");
inline const QString backupSuffix = QStringLiteral(".bak");

// The map as the program reads it: every spread with hotspots, TEXT empty for the author,
// the contents without times. `flash` gives each spread's number of animations.
QByteArray map(const std::map<int, SpreadDraft> &spreads, const std::map<int, int> &flash);
// What the map cannot hold: each hotspot's English, how it was heard, its confidence, and each
// spread's problems, for an editor to show.
QByteArray sidecar(const std::map<int, SpreadDraft> &spreads);

} // namespace DraftFiles
