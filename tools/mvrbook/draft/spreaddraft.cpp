#include "tools/mvrbook/draft/spreaddraft.h"

#include "tools/mvrbook/draft/alignment.h"
#include "tools/mvrbook/draft/ocr.h"
#include "tools/mvrbook/draft/sound.h"
#include "tools/mvrbook/draft/textunits.h"

#include <QElapsedTimer>
#include <QImageReader>

namespace {

// Smaller than this, a page image holds no text anyone could read.
constexpr int smallestSide = 64;

SpreadDraft draftFromImage(const QString &imagePath, const QString &recordingPath,
                           const DraftPrograms &programs)
{
    SpreadDraft draft;
    QImageReader reader(imagePath);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull()) {
        draft.problems.append(
            QStringLiteral("the page image does not decode: %1").arg(reader.errorString()));
        return draft;
    }
    if (image.width() < smallestSide || image.height() < smallestSide) {
        draft.problems.append(QStringLiteral("the page image is too small to read (%1 x %2)")
                                  .arg(image.width())
                                  .arg(image.height()));
        return draft;
    }
    QString error;
    const auto words = readWords(image, &error);
    if (!words) {
        draft.problems.append(error);
        return draft;
    }
    QList<TextUnit> units = TextUnits::group(*words, image.size());
    if (units.isEmpty()) {
        draft.problems.append(QStringLiteral("no English text found on the page image"));
        return draft;
    }
    TextUnits::fitToSurroundings(units, image);
    TextUnits::spanRows(units, image);

    QList<DraftHotspot> read;
    for (const TextUnit &unit : units) {
        DraftHotspot hotspot;
        hotspot.rect = TextUnits::toFrame(unit.box, image.size());
        hotspot.english = unit.text;
        hotspot.readConfidence = unit.confidence;
        hotspot.confidence = unit.confidence;
        read.append(hotspot);
    }
    if (recordingPath.isEmpty()) {
        draft.hotspots = read;
        return draft;
    }

    const auto recording = decodeSpeech(programs.ffmpeg, recordingPath, &error);
    if (!recording) {
        draft.problems.append(QStringLiteral("the recording does not decode: %1").arg(error));
        draft.hotspots = read;
        return draft;
    }
    std::vector<Speech> spoken;
    for (const DraftHotspot &hotspot : read) {
        auto speech = synthesizeSpeech(programs.espeak, programs.ffmpeg, hotspot.english, &error);
        if (!speech)
            draft.problems.append(
                QStringLiteral("cannot speak \"%1\": %2").arg(hotspot.english, error));
        spoken.push_back(speech.value_or(Speech()));
    }
    const Alignment::Result aligned = Alignment::align(*recording, spoken);
    if (!aligned.holdsSpeech) {
        draft.problems.append(QStringLiteral("the recording holds no speech"));
        draft.hotspots = read;
        return draft;
    }
    for (const int index : aligned.spoken) {
        const Alignment::Timing &timing = aligned.timings[size_t(index)];
        DraftHotspot hotspot = read[index];
        hotspot.startTime = timing.startMs;
        hotspot.endTime = timing.endMs;
        hotspot.timing = timing.status == Alignment::Timing::Found ? DraftHotspot::Found
                                                                   : DraftHotspot::Reordered;
        hotspot.confidence = std::min(hotspot.readConfidence, timing.confidence);
        if (hotspot.timing == DraftHotspot::Reordered)
            draft.problems.append(QStringLiteral("\"%1\" is heard out of the page's reading order")
                                      .arg(hotspot.english));
        draft.hotspots.append(hotspot);
    }
    // Where the recording says most of the page, text it does not say is mostly a label in a
    // picture or a map, not read aloud and no hotspot; where it says little, the recording
    // is the more likely fault, and the text stays for the author to time.
    const bool saysMost = aligned.spoken.size() * 2 >= size_t(read.size());
    for (qsizetype i = 0; i < read.size(); ++i) {
        if (aligned.timings[size_t(i)].status != Alignment::Timing::Missing)
            continue;
        if (saysMost) {
            draft.problems.append(
                QStringLiteral("\"%1\" is not heard in the recording: left out of the map")
                    .arg(read[i].english));
            continue;
        }
        DraftHotspot hotspot = read[i];
        hotspot.timing = DraftHotspot::Missing;
        hotspot.confidence = 0;
        draft.problems.append(
            QStringLiteral("\"%1\" is not heard in the recording").arg(hotspot.english));
        draft.hotspots.append(hotspot);
    }
    if (aligned.spoken.empty())
        draft.problems.append(QStringLiteral("the recording says none of the page's text"));
    return draft;
}

} // namespace

SpreadDraft draftSpread(const QString &imagePath, const QString &recordingPath,
                        const DraftPrograms &programs)
{
    QElapsedTimer clock;
    clock.start();
    SpreadDraft draft = draftFromImage(imagePath, recordingPath, programs);
    draft.elapsedMs = clock.elapsed();
    return draft;
}
