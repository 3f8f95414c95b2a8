#include "tools/mvrbook/draft/ocr.h"

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <memory>

namespace {

// Tesseract reads best when the letters are 20 to 40 pixels high; a page scanned small is
// enlarged to this width first. Enlarging more costs time and reads no better.
constexpr int readingWidth = 1800;

// The words Tesseract reads on one grey image, boxes scaled back by `scale`.
QList<OcrWord> recognize(tesseract::TessBaseAPI &api, const QImage &grey, double scale)
{
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

// The image as brightness, and as its brightest channel: in the first, coloured text on a
// light page stands out; in the second, dark text on a strongly coloured page, which
// brightness alone makes almost as dark as the text.
std::pair<QImage, QImage> greyImages(const QImage &image, double scale)
{
    QImage colour = image.convertToFormat(QImage::Format_RGB32);
    if (scale > 1.0)
        colour = colour.scaledToWidth(readingWidth, Qt::SmoothTransformation);
    QImage brightness = colour.convertToFormat(QImage::Format_Grayscale8);
    QImage brightest(colour.size(), QImage::Format_Grayscale8);
    for (int y = 0; y < colour.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(colour.constScanLine(y));
        uchar *out = brightest.scanLine(y);
        for (int x = 0; x < colour.width(); ++x)
            out[x] = uchar(std::max({qRed(in[x]), qGreen(in[x]), qBlue(in[x])}));
    }
    return {brightness, brightest};
}

bool sameWord(const OcrWord &a, const OcrWord &b)
{
    const QRect common = a.box & b.box;
    const qint64 smaller =
        std::min(qint64(a.box.width()) * a.box.height(), qint64(b.box.width()) * b.box.height());
    return !common.isEmpty() && qint64(common.width()) * common.height() * 2 > smaller;
}

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
    const auto [brightness, brightest] = greyImages(image, scale);
    QList<OcrWord> words = recognize(api, brightness, scale);
    // A word read in both is kept as read more surely.
    for (const OcrWord &word : recognize(api, brightest, scale)) {
        const auto same = std::find_if(words.begin(), words.end(),
                                       [&word](const OcrWord &w) { return sameWord(w, word); });
        if (same == words.end())
            words.append(word);
        else if (same->confidence < word.confidence)
            *same = word;
    }
    return words;
}
