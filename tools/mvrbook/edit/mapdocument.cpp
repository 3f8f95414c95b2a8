#include "tools/mvrbook/edit/mapdocument.h"

#include "content/content.h"
#include "tools/common/savefile.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <algorithm>

namespace {

const QByteArray byteOrderMark("\xEF\xBB\xBF");

const QString left = QStringLiteral("LEFT");
const QString top = QStringLiteral("TOP");
const QString right = QStringLiteral("RIGHT");
const QString bottom = QStringLiteral("BOTTOM");
const QString startTime = QStringLiteral("STARTTIME");
const QString endTime = QStringLiteral("ENDTIME");
const QString textName = QStringLiteral("TEXT");
const QString countName = QStringLiteral("NO");

int number(const QString &value, int otherwise)
{
    bool ok = false;
    const int n = value.trimmed().toInt(&ok);
    return ok ? n : otherwise;
}

// The spread a tag names, P<2k>-<2k+1> without leading zeros; -1 for none.
int spreadOfTag(QStringView tag)
{
    static const QRegularExpression form(QStringLiteral("^P(\\d{1,6})-\\d{1,6}$"));
    const auto match = form.match(tag.toString());
    if (!match.hasMatch())
        return -1;
    const int k = match.capturedView(1).toInt() / 2;
    return Content::spreadTag(k) == tag ? k : -1;
}

QString hotspotName(qsizetype i)
{
    return QStringLiteral("N_%1").arg(i);
}

bool isHotspotName(QStringView name)
{
    static const QRegularExpression form(QStringLiteral("^N_\\d+$"));
    return form.match(name.toString()).hasMatch();
}

QString element(const QString &name, const QList<std::pair<QString, QString>> &attributes)
{
    QString text = QLatin1Char('<') + name;
    for (const auto &[key, value] : attributes)
        text += QStringLiteral(" %1=\"%2\"").arg(key, value.toHtmlEscaped());
    return text + QStringLiteral("/>");
}

QList<std::pair<QString, QString>> attributesOf(const QXmlStreamReader &xml)
{
    QList<std::pair<QString, QString>> list;
    for (const QXmlStreamAttribute &attribute : xml.attributes())
        list.append({attribute.qualifiedName().toString(), attribute.value().toString()});
    return list;
}

} // namespace

QString MapHotspot::value(const QString &name) const
{
    for (const auto &[key, value] : attributes) {
        if (key == name)
            return value;
    }
    return {};
}

void MapHotspot::setValue(const QString &name, const QString &value)
{
    for (auto &[key, old] : attributes) {
        if (key == name) {
            old = value;
            return;
        }
    }
    attributes.append({name, value});
}

QRect MapHotspot::rect() const
{
    return QRect(QPoint(number(value(left), 0), number(value(top), 0)),
                 QPoint(number(value(right), 0), number(value(bottom), 0)));
}

void MapHotspot::setRect(const QRect &rect)
{
    setValue(left, QString::number(rect.left()));
    setValue(top, QString::number(rect.top()));
    setValue(right, QString::number(rect.right()));
    setValue(bottom, QString::number(rect.bottom()));
}

int MapHotspot::time(bool end) const
{
    return number(value(end ? endTime : startTime), -1);
}

void MapHotspot::setTime(bool end, int ms)
{
    setValue(end ? endTime : startTime, ms < 0 ? QString() : QString::number(ms));
}

MapHotspot MapHotspot::blank(const QRect &rect)
{
    MapHotspot hotspot;
    for (const QString &name : {left, top, right, bottom, startTime, endTime, textName})
        hotspot.attributes.append({name, QString()});
    hotspot.setRect(rect);
    return hotspot;
}

bool MapDocument::read(const QByteArray &bytes)
{
    m_error.clear();
    const bool bom = bytes.startsWith(byteOrderMark);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bom ? bytes.mid(byteOrderMark.size()) : bytes);
    if (decoder.hasError()) {
        m_error = QStringLiteral("地图不是 UTF-8 编码");
        return false;
    }

    QList<QString> pieces;
    QList<Spread> spreads;
    QString indent = QStringLiteral("\t");
    if (text.trimmed().isEmpty()) {
        pieces = {QStringLiteral("<Book>\n"), QStringLiteral("</Book>\n")};
    } else {
        QXmlStreamReader xml(text);
        qint64 offset = 0;    // where the token just read ends
        qint64 pieceFrom = 0; // where the literal text before the next spread starts
        qint64 spreadFrom = 0;
        qint64 childFrom = 0;
        qint64 rootFrom = 0;
        QString tailPrefix;
        int depth = 0;
        bool inSpread = false;
        bool childSeen = false;
        Spread spread;
        QString childName;
        while (!xml.atEnd()) {
            const auto token = xml.readNext();
            const qint64 previous = offset;
            offset = xml.characterOffset();
            // A tag starts at its "<": the reader may have read it before reporting what came
            // in front of it, so the end of that is no sure start.
            const bool tag =
                token == QXmlStreamReader::StartElement || token == QXmlStreamReader::EndElement;
            const qint64 from = tag ? text.lastIndexOf(u'<', offset - 1) : previous;
            if (token == QXmlStreamReader::StartElement) {
                ++depth;
                if (depth == 1) {
                    if (xml.name() != u"Book") {
                        m_error = QStringLiteral("地图的根元素是 %1，不是 Book").arg(xml.name());
                        return false;
                    }
                    rootFrom = from;
                }
                if (depth == 2) {
                    const int k = spreadOfTag(xml.name());
                    const bool repeated = std::any_of(spreads.begin(), spreads.end(),
                                                      [k](const Spread &s) { return s.k == k; });
                    inSpread = k >= 0 && !repeated;
                    spread = Spread();
                    spread.k = k;
                    spreadFrom = from;
                    childSeen = false;
                }
                if (depth == 3 && inSpread) {
                    childFrom = from;
                    childName = xml.name().toString();
                    if (childName == countName && spread.count.isEmpty())
                        spread.count = attributesOf(xml);
                    else if (isHotspotName(childName))
                        spread.hotspots.append({attributesOf(xml)});
                }
            } else if (token == QXmlStreamReader::EndElement) {
                if (depth == 3 && inSpread) {
                    const QString source = text.mid(childFrom, offset - childFrom);
                    if (isHotspotName(childName))
                        spread.readSources.append(
                            childName == hotspotName(spread.hotspots.size() - 1) ? source
                                                                                 : QString());
                    else if (childName == countName && spread.countSource.isEmpty())
                        spread.countSource = source;
                    else
                        spread.others.append(source);
                    childSeen = true;
                }
                if (depth == 2 && inSpread) {
                    spread.original = text.mid(spreadFrom, offset - spreadFrom);
                    spread.readHotspots = spread.hotspots;
                    pieces.append(text.mid(pieceFrom, spreadFrom - pieceFrom));
                    pieceFrom = offset;
                    if (spreads.isEmpty()) {
                        const QString &before = pieces.first();
                        indent = before.mid(before.lastIndexOf(u'\n') + 1);
                    }
                    spreads.append(spread);
                    inSpread = false;
                }
                if (depth == 1 && spreads.isEmpty()) {
                    // Without spreads the first one made goes before the root's end.
                    if (text.mid(from, 2) == u"</") {
                        pieces.append(text.left(from));
                        pieceFrom = from;
                    } else {
                        pieces.append(text.left(rootFrom) + QStringLiteral("<Book>\n"));
                        tailPrefix = QStringLiteral("</Book>");
                        pieceFrom = offset;
                    }
                }
                --depth;
            } else if (token == QXmlStreamReader::Characters && depth == 2 && inSpread &&
                       xml.isWhitespace()) {
                QString blank = text.mid(from, offset - from);
                if (blank.endsWith(u'<'))
                    blank.chop(1);
                (childSeen ? spread.closeIndent : spread.openIndent) = blank;
            }
        }
        if (xml.hasError()) {
            m_error = QStringLiteral("地图第 %1 行读不懂：%2")
                          .arg(xml.lineNumber())
                          .arg(xml.errorString());
            return false;
        }
        pieces.append(tailPrefix + text.mid(pieceFrom));
    }
    m_pieces = pieces;
    m_spreads = spreads;
    m_spreadIndent = indent;
    m_bom = bom;
    m_saved = this->bytes();
    for (const Spread &spread : std::as_const(m_spreads))
        emit changed(spread.k);
    return true;
}

bool MapDocument::readFile(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return read({});
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("读不了 %1：%2").arg(path, file.errorString());
        return false;
    }
    return read(file.readAll());
}

QByteArray MapDocument::bytes() const
{
    return (m_bom ? byteOrderMark : QByteArray()) + text().toUtf8();
}

bool MapDocument::save(const QString &path)
{
    const QByteArray out = bytes();
    MapDocument readBack;
    bool same = readBack.read(out) && readBack.spreads() == spreads();
    for (const int k : spreads())
        same = same && readBack.hotspots(k) == hotspots(k);
    if (!same) {
        m_error = QStringLiteral("要写的地图读不回来，没有保存");
        return false;
    }
    QString error;
    if (!writeAtomically(path, out, &error)) {
        m_error = QStringLiteral("保存 %1 失败：%2").arg(path, error);
        return false;
    }
    m_saved = out;
    m_error.clear();
    return true;
}

QList<int> MapDocument::spreads() const
{
    QList<int> list;
    for (const Spread &spread : m_spreads)
        list.append(spread.k);
    std::sort(list.begin(), list.end());
    return list;
}

QList<MapHotspot> MapDocument::hotspots(int k) const
{
    const Spread *spread = find(k);
    return spread ? spread->hotspots : QList<MapHotspot>();
}

void MapDocument::setHotspots(int k, const QList<MapHotspot> &hotspots)
{
    if (Spread *spread = find(k); spread && spread->original.isEmpty() && hotspots.isEmpty()) {
        const qsizetype i = spread - m_spreads.data();
        if (m_spreads.size() == 1) {
            m_pieces.first().chop(m_spreadIndent.size());
            m_pieces.last().remove(0, 1);
        } else {
            m_pieces.removeAt(i == m_spreads.size() - 1 ? i : i + 1);
        }
        m_spreads.removeAt(i);
    } else if (spread) {
        spread->hotspots = hotspots;
    } else {
        Spread made;
        made.k = k;
        made.hotspots = hotspots;
        const auto at = std::find_if(m_spreads.begin(), m_spreads.end(),
                                     [k](const Spread &s) { return s.k > k; });
        const qsizetype i = at - m_spreads.begin();
        const QString between = QLatin1Char('\n') + m_spreadIndent;
        if (m_spreads.isEmpty()) {
            m_pieces.first() += m_spreadIndent;
            m_pieces.last().prepend(QLatin1Char('\n'));
        } else if (i == m_spreads.size()) {
            m_pieces.insert(i, between);
        } else {
            m_pieces.insert(i + 1, between);
        }
        m_spreads.insert(i, made);
    }
    emit changed(k);
}

bool MapDocument::isModified() const
{
    return bytes() != m_saved;
}

QString MapDocument::text() const
{
    QString out;
    for (qsizetype i = 0; i < m_pieces.size(); ++i) {
        out += m_pieces[i];
        if (i < m_spreads.size())
            out += spreadText(m_spreads[i]);
    }
    return out;
}

QString MapDocument::spreadText(const Spread &spread) const
{
    if (!spread.original.isEmpty() && spread.hotspots == spread.readHotspots)
        return spread.original;
    const QString tag = Content::spreadTag(spread.k);
    QString out = QLatin1Char('<') + tag + QLatin1Char('>');
    const QString m = QString::number(spread.hotspots.size());
    if (!spread.countSource.isEmpty() && MapHotspot{spread.count}.value(QStringLiteral("m")) == m) {
        out += spread.openIndent + spread.countSource;
    } else {
        MapHotspot count{spread.count};
        count.setValue(QStringLiteral("m"), m);
        if (count.value(QStringLiteral("FLASH")).isEmpty())
            count.setValue(QStringLiteral("FLASH"), QStringLiteral("0"));
        out += spread.openIndent + element(countName, count.attributes);
    }
    for (qsizetype i = 0; i < spread.hotspots.size(); ++i) {
        const bool asRead = i < spread.readHotspots.size() &&
                            spread.hotspots[i] == spread.readHotspots[i] &&
                            !spread.readSources[i].isEmpty();
        out +=
            spread.openIndent + (asRead ? spread.readSources[i]
                                        : element(hotspotName(i), spread.hotspots[i].attributes));
    }
    for (const QString &other : spread.others)
        out += spread.openIndent + other;
    return out + spread.closeIndent + QStringLiteral("</") + tag + QLatin1Char('>');
}

MapDocument::Spread *MapDocument::find(int k)
{
    const auto at =
        std::find_if(m_spreads.begin(), m_spreads.end(), [k](const Spread &s) { return s.k == k; });
    return at == m_spreads.end() ? nullptr : &*at;
}

const MapDocument::Spread *MapDocument::find(int k) const
{
    return const_cast<MapDocument *>(this)->find(k);
}
