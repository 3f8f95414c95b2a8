#include "tools/mvrbook/edit/spreadmedia.h"

#include "content/spreadmap.h"
#include "tools/mvrbook/draft/mfcc.h"
#include "tools/mvrbook/draft/ocr.h"
#include "tools/mvrbook/draft/sound.h"

#include <QImageReader>

RecordingTrace RecordingTrace::decode(const QString &ffmpeg, const QString &path)
{
    RecordingTrace trace;
    QString error;
    const std::optional<Speech> speech = decodeSpeech(ffmpeg, path, &error);
    if (!speech) {
        trace.error = QStringLiteral("录音读不了：%1").arg(error);
        return trace;
    }
    constexpr int rate = Mfcc::sampleRate;
    trace.sampleRate = rate;
    trace.samples = *speech;
    trace.lengthMs = int(qint64(speech->size()) * 1000 / rate);
    const Voicing voicing(*speech);
    for (const auto &[begin, end] : voicing.stretches())
        trace.speech.push_back({begin * Voicing::frameMs, end * Voicing::frameMs});
    return trace;
}

QList<QRect> readWordBoxes(const QString &imagePath, QString *error)
{
    QImageReader reader(imagePath);
    const QImage image = reader.read();
    if (image.isNull()) {
        *error = reader.errorString();
        return {};
    }
    const std::optional<QList<OcrWord>> words = readWords(image, error);
    QList<QRect> boxes;
    if (!words)
        return boxes;
    const auto x = [&](int px) { return px * spreadFrame.width() / image.width(); };
    const auto y = [&](int px) { return px * spreadFrame.height() / image.height(); };
    for (const OcrWord &word : *words) {
        const QRect &b = word.box;
        boxes.append(QRect(QPoint(x(b.left()), y(b.top())), QPoint(x(b.right()), y(b.bottom()))));
    }
    return boxes;
}
