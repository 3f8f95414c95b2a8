#include "tools/mvrbook/draft/textunits.h"

#include "content/spreadmap.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <vector>

namespace TextUnits {

namespace {

// Words read with less confidence are mostly marks in pictures, not text.
constexpr double faintestWord = 60;
// A bar is read less surely: it could as well be an l or a 1.
constexpr double faintestBar = 40;
// A unit of one word is believed only when read this surely: a picture's stripes and windows
// are read as short words now and then, but not surely.
constexpr double surestLoneWord = 85;
// The least height of a hotspot, in the 910 x 580 frame.
constexpr int fingerHeight = 24;
// Running heads and page numbers stand in these bands at the top and bottom of a page; they
// are not read aloud.
constexpr double marginBand = 0.07;

struct Line
{
    QRect box;
    QList<OcrWord> words;
    int page = 0;
    int size = 0;    // the median height of its words: descenders and capitals left aside
    int tallest = 0; // the height of its tallest word
    int letters = 0;
};

int pageOf(const QRect &box, QSize imageSize)
{
    return box.center().x() < imageSize.width() / 2 ? 0 : 1;
}

int lettersIn(const QString &text)
{
    int letters = 0;
    for (const QChar c : text)
        letters += c.isLetter() ? 1 : 0;
    return letters;
}

// A capital I drawn as a plain bar, as sans-serif faces draw it, is read as one; so is the
// edge of a bubble. Which it is, the line tells (linesOf).
bool isBar(const OcrWord &word)
{
    return word.text == u"|";
}

// The letter of an exercise's item marker, "a." or "b)", counted from 1; 0 for other words.
int itemLetter(const QString &text)
{
    if (text.size() != 2 || (text[1] != u'.' && text[1] != u')'))
        return 0;
    const QChar letter = text[0].toLower();
    return letter >= u'a' && letter <= u'h' ? letter.unicode() - u'a' + 1 : 0;
}

bool isText(const OcrWord &word)
{
    if (word.confidence < faintestWord && !isBar(word))
        return false;
    if (isBar(word))
        return word.confidence >= faintestBar;
    int digits = 0;
    for (const QChar c : word.text)
        digits += c.isDigit() ? 1 : 0;
    const int letters = lettersIn(word.text);
    return letters >= 2 || digits > 0 || word.text == u"I" ||
           word.text.compare(u"a", Qt::CaseInsensitive) == 0 || itemLetter(word.text) != 0;
}

int verticalOverlap(const QRect &a, const QRect &b)
{
    return std::min(a.bottom(), b.bottom()) - std::max(a.top(), b.top()) + 1;
}

// A bubble's or card's left edge close to the first word is read as a bracket glued to it,
// "(It", or as a bar or an I of its own before it.
QString withoutLeftEdge(const QString &text)
{
    if (text.size() > 1 && (text.front() == u'(' || text.front() == u'|' || text.front() == u'[') &&
        !text.contains(u')') && !text.contains(u']'))
        return text.mid(1);
    return text;
}

// The first letter of the line's text past what the edge of a bubble may have left there.
QChar firstLetter(const QString &text)
{
    for (const QChar c : withoutLeftEdge(text))
        if (c.isLetterOrNumber())
            return c;
    return {};
}

bool endsSentence(const Line &line)
{
    static const QRegularExpression end(QStringLiteral("[.!?][\"'\u201d\u2019)]*$"));
    return end.match(line.words.last().text).hasMatch();
}

// A line starting with a capital starts a sentence, unless the line above leads into it (a
// comma, a colon): OCR of a rough scan often loses the full stop that ended the line above.
bool startsSentence(const Line &above, const Line &line)
{
    const QString &first = line.words.first().text;
    const QString &last = above.words.last().text;
    return firstLetter(first).isUpper() && first != u"I" && !last.endsWith(u',') &&
           !last.endsWith(u':');
}

// Words side by side at the same height are a line; a wide gap (between two bubbles, or
// the two pages) parts them.
QList<Line> linesOf(QList<OcrWord> words, QSize imageSize)
{
    std::sort(words.begin(), words.end(),
              [](const OcrWord &a, const OcrWord &b) { return a.box.left() < b.box.left(); });
    QList<Line> lines;
    for (const OcrWord &word : words) {
        const int page = pageOf(word.box, imageSize);
        Line *best = nullptr;
        int bestGap = 0;
        for (Line &line : lines) {
            const int height = std::min(word.box.height(), line.box.height());
            const int gap = word.box.left() - line.box.right();
            // A face or a wheel read as a digit or a bracket beside a line is far taller
            // than the line's words.
            const bool alike =
                (lettersIn(word.text) > 0 && line.letters > 0) ||
                (word.box.height() < 2 * line.tallest && line.tallest < 2 * word.box.height());
            if (line.page != page || !alike || verticalOverlap(word.box, line.box) < height / 2 ||
                gap < -height / 2 || gap > std::max(word.box.height(), line.box.height()) * 6 / 5)
                continue;
            if (!best || gap < bestGap) {
                best = &line;
                bestGap = gap;
            }
        }
        if (best) {
            best->words.append(word);
            best->box |= word.box;
            best->tallest = std::max(best->tallest, word.box.height());
            best->letters += lettersIn(word.text);
        } else {
            lines.append({word.box, {word}, page, 0, word.box.height(), lettersIn(word.text)});
        }
    }
    // A bar ending a line is the edge of the bubble it stands in; anywhere else it is an I,
    // unless a capitalised word follows it at the start of the line: English has no "I My",
    // so there it is the bubble's other edge.
    for (Line &line : lines) {
        while (!line.words.isEmpty() && isBar(line.words.last()))
            line.words.removeLast();
        while (line.words.size() > 1 &&
               (isBar(line.words.first()) || line.words.first().text == u"I" ||
                line.words.first().text == u"(") &&
               firstLetter(line.words[1].text).isUpper() && !line.words[1].text.startsWith(u"I'") &&
               line.words[1].text != u"I")
            line.words.removeFirst();
        if (!line.words.isEmpty())
            line.words.first().text = withoutLeftEdge(line.words.first().text);
        line.box = {};
        for (OcrWord &word : line.words) {
            if (isBar(word))
                word.text = QStringLiteral("I");
            line.box |= word.box;
        }
    }
    lines.removeIf([](const Line &line) { return line.words.isEmpty(); });
    // The choices of an exercise, "a. the cinema  b. the bookstore", stand far apart on one
    // line, but are read and touched as one.
    std::sort(lines.begin(), lines.end(),
              [](const Line &a, const Line &b) { return a.box.left() < b.box.left(); });
    for (qsizetype i = 0; i < lines.size(); ++i) {
        for (qsizetype j = i + 1; j < lines.size();) {
            const Line &line = lines[i];
            const Line &next = lines[j];
            const int height = std::min(line.box.height(), next.box.height());
            const int letter =
                itemLetter(line.words.last().text) != 0 ? 0 : itemLetter(line.words.first().text);
            if (letter == 0 || next.page != line.page || next.box.left() <= line.box.right() ||
                verticalOverlap(line.box, next.box) < height / 2 ||
                itemLetter(next.words.first().text) <= letter) {
                ++j;
                continue;
            }
            lines[i].words.append(next.words);
            lines[i].box |= next.box;
            lines[i].letters += next.letters;
            lines.removeAt(j);
            j = i + 1;
        }
    }
    for (Line &line : lines) {
        std::vector<int> heights;
        for (const OcrWord &word : line.words)
            heights.push_back(word.box.height());
        std::nth_element(heights.begin(), heights.begin() + std::ptrdiff_t(heights.size() / 2),
                         heights.end());
        line.size = heights[heights.size() / 2];
    }
    return lines;
}

// Whether `line` continues the unit whose last line is `above`: close below it, in about the
// same size, overlapping it sideways, the line above not ending a sentence and this one not
// starting one.
bool continues(const Line &above, const Line &line)
{
    const int height = std::min(above.box.height(), line.box.height());
    const int gap = line.box.top() - above.box.bottom();
    const double sizes =
        double(std::max(above.box.height(), line.box.height())) / std::max(1, height);
    const bool sideBySide =
        std::min(above.box.right(), line.box.right()) > std::max(above.box.left(), line.box.left());
    return above.page == line.page && gap > -height / 3 && gap < height && sizes < 1.5 &&
           sideBySide && !endsSentence(above) && !startsSentence(above, line);
}

} // namespace

QList<TextUnit> group(const QList<OcrWord> &words, QSize imageSize)
{
    QList<OcrWord> kept;
    const int top = int(imageSize.height() * marginBand);
    const int bottom = int(imageSize.height() * (1.0 - marginBand));
    for (const OcrWord &word : words)
        if (isText(word) && word.box.bottom() > top && word.box.top() < bottom)
            kept.append(word);
    QList<Line> lines = linesOf(kept, imageSize);
    std::sort(lines.begin(), lines.end(),
              [](const Line &a, const Line &b) { return a.box.top() < b.box.top(); });

    std::vector<std::vector<Line>> gathered;
    for (const Line &line : lines) {
        std::vector<Line> *into = nullptr;
        for (auto &unit : gathered)
            if (continues(unit.back(), line) &&
                (!into || unit.back().box.bottom() > into->back().box.bottom()))
                into = &unit;
        if (into)
            into->push_back(line);
        else
            gathered.push_back({line});
    }

    QList<TextUnit> units;
    for (const auto &unitLines : gathered) {
        TextUnit unit;
        unit.page = unitLines.front().page;
        QStringList text;
        double confidence = 0;
        int count = 0;
        for (const Line &line : unitLines) {
            unit.box |= line.box;
            unit.lineHeight = std::max(unit.lineHeight, line.size);
            for (const OcrWord &word : line.words) {
                text.append(word.text);
                confidence += word.confidence;
                ++count;
            }
        }
        unit.words = unit.box;
        unit.text = text.join(QLatin1Char(' '));
        unit.confidence = confidence / std::max(1, count) / 100.0;
        // A page number or a stray mark read alone is no text to click.
        if (lettersIn(unit.text) < 2 || (count == 1 && unit.confidence * 100 < surestLoneWord))
            continue;
        units.append(unit);
    }

    // Reading order: by page, then in rows from the top; a unit whose top lies above the
    // middle of the row's first unit stands beside it.
    std::sort(units.begin(), units.end(), [](const TextUnit &a, const TextUnit &b) {
        return a.page != b.page ? a.page < b.page : a.box.top() < b.box.top();
    });
    QList<TextUnit> ordered;
    for (qsizetype first = 0; first < units.size();) {
        qsizetype end = first + 1;
        while (end < units.size() && units[end].page == units[first].page &&
               units[end].box.top() < units[first].box.center().y())
            ++end;
        QList<TextUnit> row = units.mid(first, end - first);
        std::sort(row.begin(), row.end(),
                  [](const TextUnit &a, const TextUnit &b) { return a.box.left() < b.box.left(); });
        ordered.append(row);
        first = end;
    }
    return ordered;
}

namespace {

// Removes the units whose flag is set: those joined into another or found to be no text.
void removeMarked(QList<TextUnit> &units, const std::vector<bool> &marked)
{
    QList<TextUnit> kept;
    for (qsizetype i = 0; i < units.size(); ++i)
        if (!marked[size_t(i)])
            kept.append(units[i]);
    units = kept;
}

// The box of the plain background around a unit's words, where a closed outline (a bubble, a
// card, a banner) holds it; an empty box where the background runs on to the page's edge or
// far around.
QRect enclosure(const QImage &image, const QRect &words, int maxArea)
{
    const QRect bounds = image.rect();
    const int margin = 2;
    const QRect ring = words.adjusted(-margin, -margin, margin, margin) & bounds;
    if (ring.isEmpty() || ring == bounds)
        return {};
    // The background is the commonest colour just around the words.
    std::vector<QRgb> around;
    for (int x = ring.left(); x <= ring.right(); ++x) {
        around.push_back(image.pixel(x, ring.top()));
        around.push_back(image.pixel(x, ring.bottom()));
    }
    for (int y = ring.top(); y <= ring.bottom(); ++y) {
        around.push_back(image.pixel(ring.left(), y));
        around.push_back(image.pixel(ring.right(), y));
    }
    const auto channelMedian = [&around](int shift) {
        std::vector<int> values;
        for (const QRgb rgb : around)
            values.push_back(int((rgb >> shift) & 0xff));
        std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(values.size() / 2),
                         values.end());
        return values[values.size() / 2];
    };
    const int red = channelMedian(16), green = channelMedian(8), blue = channelMedian(0);
    // Wide enough for a scan's noise and a JPEG's ringing, narrow enough to stop at an outline.
    constexpr int tolerance = 40;
    const auto background = [&](int x, int y) {
        const QRgb rgb = image.pixel(x, y);
        return std::abs(qRed(rgb) - red) + std::abs(qGreen(rgb) - green) +
                   std::abs(qBlue(rgb) - blue) <=
               tolerance;
    };

    std::vector<bool> seen(size_t(image.width()) * size_t(image.height()), false);
    std::vector<QPoint> todo;
    const auto visit = [&](int x, int y) {
        const size_t at = size_t(y) * size_t(image.width()) + size_t(x);
        if (!seen[at] && background(x, y)) {
            seen[at] = true;
            todo.emplace_back(x, y);
        }
    };
    for (int x = ring.left(); x <= ring.right(); ++x) {
        visit(x, ring.top());
        visit(x, ring.bottom());
    }
    for (int y = ring.top(); y <= ring.bottom(); ++y) {
        visit(ring.left(), y);
        visit(ring.right(), y);
    }
    QRect filled = ring;
    int area = 0;
    while (!todo.empty()) {
        const QPoint p = todo.back();
        todo.pop_back();
        if (++area > maxArea || p.x() == 0 || p.y() == 0 || p.x() == bounds.right() ||
            p.y() == bounds.bottom())
            return {};
        filled |= QRect(p, QSize(1, 1));
        visit(p.x() - 1, p.y());
        visit(p.x() + 1, p.y());
        visit(p.x(), p.y() - 1);
        visit(p.x(), p.y() + 1);
    }
    return filled;
}

} // namespace

void fitToSurroundings(QList<TextUnit> &units, const QImage &image)
{
    // The search runs at about the frame's size: outlines are still whole there, and a
    // fill over a big scan would take long.
    const double scale = std::min(1.0, 1200.0 / std::max(1, image.width()));
    const QImage small = image.convertToFormat(QImage::Format_RGB32)
                             .scaled(int(image.width() * scale), int(image.height() * scale),
                                     Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const auto scaled = [scale](const QRect &r) {
        return QRect(QPoint(int(r.left() * scale), int(r.top() * scale)),
                     QPoint(int(r.right() * scale), int(r.bottom() * scale)));
    };
    QList<QRect> boxes;
    for (const TextUnit &unit : units)
        boxes.append(unit.box);
    std::vector<bool> absorbed(size_t(units.size()), false);
    for (qsizetype i = 0; i < units.size(); ++i) {
        if (absorbed[size_t(i)])
            continue;
        TextUnit &unit = units[i];
        const QRect words = scaled(unit.box);
        const int lineHeight = std::max(4, words.height());
        // A card or bubble is at most a few times the words' size; a bigger closed area is a
        // panel holding more than this unit.
        const int maxArea = std::max(words.width() + 4 * lineHeight, 8 * lineHeight) *
                            (words.height() + 6 * lineHeight);
        QRect around = enclosure(small, words, maxArea);
        // A bubble holds what one child says, one hotspot, however many sentences or lines
        // the grouping made of it; an outline that other words only cross is no bubble.
        QList<qsizetype> inside;
        for (qsizetype j = 0; j < boxes.size() && !around.isEmpty(); ++j) {
            if (j == i || !around.intersects(scaled(boxes[j])))
                continue;
            if (!absorbed[size_t(j)] && around.adjusted(-1, -1, 1, 1).contains(scaled(boxes[j])))
                inside.append(j);
            else
                around = {};
        }
        if (!around.isEmpty()) {
            for (const qsizetype j : inside) {
                absorbed[size_t(j)] = true;
                unit.text += QLatin1Char(' ') + units[j].text;
                unit.confidence = std::min(unit.confidence, units[j].confidence);
                unit.lineHeight = std::max(unit.lineHeight, units[j].lineHeight);
                unit.words |= units[j].words;
            }
            unit.outlined = true;
            around.adjust(-1, -1, 1, 1);
            unit.box = QRect(QPoint(int(around.left() / scale), int(around.top() / scale)),
                             QPoint(int(around.right() / scale), int(around.bottom() / scale)));
        } else {
            // A third of the text's height around it, as authors draw hotspots: room for the
            // finger, and no reach into the next line.
            const int margin = std::max(2, unit.lineHeight / 3);
            unit.box.adjust(-margin, -margin, margin, margin);
            // A short line in small print still gets a target a finger can find.
            const int least = image.height() * fingerHeight / spreadFrame.height();
            if (unit.box.height() < least)
                unit.box.adjust(0, -(least - unit.box.height()) / 2, 0,
                                (least - unit.box.height() + 1) / 2);
        }
        unit.box &= image.rect();
    }
    removeMarked(units, absorbed);
}

namespace {

// The left edge of a speaker's name tag just before a line's first word: a patch of colour or
// ink there, as wide as a short name at least; -1 where the line starts on plain paper.
int tagBefore(const QImage &image, const TextUnit &unit, const QRect &words)
{
    const int height = std::max(4, unit.lineHeight);
    const int top = words.top() + words.height() / 4;
    const int bottom = words.bottom() - words.height() / 4;
    if (bottom <= top)
        return -1;
    const QRgb paper = image.pixel(std::max(0, words.left() - 1), std::max(0, words.top() - 1));
    const auto inked = [&](int x) {
        int count = 0;
        for (int y = top; y <= bottom; ++y) {
            const QRgb rgb = image.pixel(x, y);
            count += std::abs(qRed(rgb) - qRed(paper)) + std::abs(qGreen(rgb) - qGreen(paper)) +
                                 std::abs(qBlue(rgb) - qBlue(paper)) >
                             90
                         ? 1
                         : 0;
        }
        return count * 3 > bottom - top + 1;
    };
    // The tag ends within a line's height of the words and is solid for as much again; the
    // first letter may reach a little left of its word's box.
    int x = words.left() - 1 - height / 4;
    const int nearest = std::max(0, words.left() - height);
    while (x >= nearest && !inked(x))
        --x;
    if (x < nearest)
        return -1;
    // The name inside the tag, light on its colour, parts it for a stroke or two.
    int left = x;
    for (int gap = 0; left - gap > 0 && gap <= height / 4;) {
        if (inked(left - gap - 1)) {
            left -= gap + 1;
            gap = 0;
        } else {
            ++gap;
        }
    }
    return x - left + 1 >= height ? left : -1;
}

bool startsAnItem(const QString &text)
{
    static const QRegularExpression item(QStringLiteral("^(\\d{1,2}|[a-hA-H])[.)] "));
    return item.match(text).hasMatch();
}

} // namespace

void spanRows(QList<TextUnit> &units, const QImage &image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    struct Row
    {
        qsizetype unit;
        int left;              // of the tag, or of the box
        QList<qsizetype> tags; // units that are its tag read as a word
    };
    std::vector<Row> rows;
    for (qsizetype i = 0; i < units.size(); ++i) {
        const TextUnit &unit = units[i];
        const QRect &words = unit.words;
        // A row is one line, on the page.
        if (unit.outlined || words.isEmpty() || words.height() > 2 * unit.lineHeight)
            continue;
        int left = tagBefore(rgb, unit, words);
        QList<qsizetype> tags;
        // A tag read as a word: a one-word unit ending just before the line, in its band.
        for (qsizetype j = 0; j < units.size(); ++j) {
            const QRect &other = units[j].box;
            if (j == i || units[j].page != unit.page || units[j].text.contains(u' ') ||
                other.right() > words.left() ||
                other.right() < words.left() - 2 * unit.lineHeight ||
                std::abs(other.center().y() - words.center().y()) > unit.lineHeight / 2)
                continue;
            tags.append(j);
            left = left < 0 ? other.left() : std::min(left, other.left());
        }
        if (left >= 0 || startsAnItem(unit.text))
            rows.push_back({i, left >= 0 ? left : unit.box.left(), tags});
    }
    // A tag the recognition read into its line ("Amy How can we get there?") starts the line
    // where the other rows' tags start, in the same size of print.
    const std::vector<Row> found = rows;
    for (qsizetype i = 0; i < units.size(); ++i) {
        const TextUnit &unit = units[i];
        if (unit.outlined || unit.words.height() > 2 * unit.lineHeight ||
            std::any_of(found.begin(), found.end(), [i](const Row &row) { return row.unit == i; }))
            continue;
        const bool atTags = std::any_of(found.begin(), found.end(), [&](const Row &row) {
            const TextUnit &tagged = units[row.unit];
            return row.left < tagged.words.left() && tagged.page == unit.page &&
                   std::abs(row.left - unit.words.left()) <= unit.lineHeight &&
                   unit.lineHeight * 4 < tagged.lineHeight * 5 &&
                   tagged.lineHeight * 4 < unit.lineHeight * 5;
        });
        if (atTags)
            rows.push_back({i, unit.words.left(), {}});
    }
    std::sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) { return a.unit < b.unit; });
    // Rows one below another, starting at about the same place, stand together.
    std::vector<bool> dropped(size_t(units.size()), false);
    for (size_t first = 0; first < rows.size();) {
        size_t end = first + 1;
        const TextUnit &head = units[rows[first].unit];
        while (end < rows.size()) {
            const TextUnit &previous = units[rows[end - 1].unit];
            const TextUnit &next = units[rows[end].unit];
            if (next.page != head.page || next.box.top() < previous.box.bottom() ||
                next.box.top() - previous.box.bottom() > 4 * head.lineHeight ||
                std::abs(rows[end].left - rows[first].left) > 2 * head.lineHeight)
                break;
            ++end;
        }
        if (end - first >= 2) {
            int right = 0;
            for (const TextUnit &unit : units)
                if (unit.page == head.page)
                    right = std::max(right, unit.box.right());
            int left = rows[first].left;
            for (size_t n = first; n < end; ++n)
                left = std::min(left, rows[n].left);
            for (size_t n = first; n < end; ++n) {
                TextUnit &unit = units[rows[n].unit];
                const int margin = std::max(2, unit.lineHeight / 3);
                unit.box.setLeft(std::max(0, left - margin));
                unit.box.setRight(right);
                for (const qsizetype tag : rows[n].tags)
                    dropped[size_t(tag)] = true;
            }
        }
        first = end;
    }
    removeMarked(units, dropped);
}

QRect toFrame(const QRect &pixels, QSize imageSize)
{
    const qint64 w = std::max(1, imageSize.width());
    const qint64 h = std::max(1, imageSize.height());
    const auto clamped = [](qint64 value, int size) {
        return int(std::clamp<qint64>(value, 0, size - 1));
    };
    // The first frame unit the left edge falls in, the last one the right edge still covers.
    return QRect(QPoint(clamped(pixels.left() * spreadFrame.width() / w, spreadFrame.width()),
                        clamped(pixels.top() * spreadFrame.height() / h, spreadFrame.height())),
                 QPoint(clamped(((pixels.right() + 1) * spreadFrame.width() + w - 1) / w - 1,
                                spreadFrame.width()),
                        clamped(((pixels.bottom() + 1) * spreadFrame.height() + h - 1) / h - 1,
                                spreadFrame.height())));
}

double overlap(const QRect &a, const QRect &b)
{
    const QRect common = a & b;
    if (common.isEmpty())
        return 0;
    const double shared = double(common.width()) * common.height();
    const double all = double(a.width()) * a.height() + double(b.width()) * b.height() - shared;
    return shared / all;
}

} // namespace TextUnits
