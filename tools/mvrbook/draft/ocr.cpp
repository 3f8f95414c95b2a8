#include "tools/mvrbook/draft/ocr.h"

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <memory>

namespace {

// Tesseract reads best when the letters are 20 to 40 pixels high; a page scanned small is
// enlarged to this width first.
constexpr int readingWidth = 2400;

} // namespace

std::optional<QList<OcrWord>> readWords(const QImage &image, QString *error)
{
    tesseract::TessBaseAPI api;
    if (api.Init(nullptr, "eng", tesseract::OEM_LSTM_ONLY) != 0) {
        *error = QStringLiteral("cannot load Tesseract's English data (Debian package "
                                "tesseract-ocr-eng)");
        return std::nullopt;
    }
    // A textbook page holds text in scattered places, between pictures and in bubbles, not in
    // columns: found as sparse text, each piece is read where it stands.
    api.SetPageSegMode(tesseract::PSM_SPARSE_TEXT);
    api.SetVariable("debug_file", "/dev/null");

    const double scale = image.width() < readingWidth ? double(readingWidth) / image.width() : 1.0;
    QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    if (scale > 1.0)
        grey = grey.scaledToWidth(readingWidth, Qt::SmoothTransformation);
    api.SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
    api.SetSourceResolution(300);
    QList<OcrWord> words;
    if (api.Recognize(nullptr) != 0)
        return words;
    const std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
    if (!it)
        return words;
    do {
        if (it->Empty(tesseract::RIL_WORD))
            continue;
        int left = 0, top = 0, right = 0, bottom = 0;
        if (!it->BoundingBox(tesseract::RIL_WORD, &left, &top, &right, &bottom))
            continue;
        const std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_WORD));
        OcrWord word;
        word.text = QString::fromUtf8(text.get()).trimmed();
        word.confidence = it->Confidence(tesseract::RIL_WORD);
        word.box = QRect(QPoint(int(left / scale), int(top / scale)),
                         QPoint(int((right - 1) / scale), int((bottom - 1) / scale)));
        if (!word.text.isEmpty())
            words.append(word);
    } while (it->Next(tesseract::RIL_WORD));
    return words;
}
