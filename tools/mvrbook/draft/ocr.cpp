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

// How strongly coloured a pixel is: 0 for grey, up to 255.
int colourfulness(QRgb rgb)
{
    return std::max({qRed(rgb), qGreen(rgb), qBlue(rgb)}) -
           std::min({qRed(rgb), qGreen(rgb), qBlue(rgb)});
}

// Light letters on a coloured banner or name tag, which the recognition does not read as
// they are, turn dark on light when the banner is turned over in the grey image. A banner is
// a patch of strong colour that fills most of its box and is wide and high enough to hold a
// line of text; the colours of pictures mostly are not.
void turnOverBanners(QImage &grey, const QImage &colour)
{
    constexpr int step = 4; // the search runs on every fourth pixel: banners are large
    const int w = colour.width() / step, h = colour.height() / step;
    if (w < 2 || h < 2)
        return;
    std::vector<uchar> coloured(size_t(w) * size_t(h), 0);
    for (int y = 0; y < h; ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(colour.constScanLine(y * step));
        for (int x = 0; x < w; ++x)
            coloured[size_t(y) * size_t(w) + size_t(x)] = colourfulness(row[x * step]) > 70;
    }
    const int lineHeight = grey.height() / 60; // a line of text on a page is at least this high
    std::vector<std::pair<int, int>> todo;
    for (int y0 = 0; y0 < h; ++y0) {
        for (int x0 = 0; x0 < w; ++x0) {
            if (coloured[size_t(y0) * size_t(w) + size_t(x0)] != 1)
                continue;
            int left = x0, right = x0, top = y0, bottom = y0, area = 0;
            todo.assign(1, {x0, y0});
            coloured[size_t(y0) * size_t(w) + size_t(x0)] = 2;
            while (!todo.empty()) {
                const auto [x, y] = todo.back();
                todo.pop_back();
                ++area;
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
                for (const auto &[dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h)
                        continue;
                    uchar &at = coloured[size_t(ny) * size_t(w) + size_t(nx)];
                    if (at == 1) {
                        at = 2;
                        todo.emplace_back(nx, ny);
                    }
                }
            }
            const QRect box(QPoint(left * step, top * step),
                            QPoint(right * step + step - 1, bottom * step + step - 1));
            const int cells = (right - left + 1) * (bottom - top + 1);
            if (box.height() < lineHeight || box.width() < 2 * box.height() ||
                area * 10 < cells * 6 || box.height() > 4 * lineHeight)
                continue;
            // The banner's colour turns white and everything lighter on it dark: the letters
            // stand out as much as printed ink on paper.
            const QRect inside = box & grey.rect();
            for (int y = inside.top(); y <= inside.bottom(); ++y) {
                uchar *row = grey.scanLine(y);
                const auto *rgb = reinterpret_cast<const QRgb *>(colour.constScanLine(y));
                for (int x = inside.left(); x <= inside.right(); ++x)
                    row[x] = colourfulness(rgb[x]) > 70 ? uchar(255) : uchar(255 - row[x]);
            }
        }
    }
}

// The image as brightness, and as its brightest channel: in the first, coloured text on a
// light page stands out, and light text on banners once they are turned over; in the second,
// dark text on a strongly coloured page, which brightness alone makes almost as dark as the
// text.
std::pair<QImage, QImage> greyImages(const QImage &image, double scale)
{
    QImage colour = image.convertToFormat(QImage::Format_RGB32);
    if (scale > 1.0)
        colour = colour.scaledToWidth(readingWidth, Qt::SmoothTransformation);
    QImage brightness = colour.convertToFormat(QImage::Format_Grayscale8);
    turnOverBanners(brightness, colour);
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
