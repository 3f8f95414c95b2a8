#include "tools/mvrbook/encoding.h"

#include <QRegularExpression>
#include <QStringDecoder>

std::optional<int> firstNonUtf8Line(const QByteArray &bytes)
{
    // No byte of a multi-byte UTF-8 sequence is a line feed, so each line can be decoded on
    // its own.
    int line = 1;
    for (qsizetype start = 0; start <= bytes.size(); ++line) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = decoder.decode(QByteArrayView(bytes).sliced(start, end - start));
        if (decoder.hasError())
            return line;
        start = end + 1;
    }
    return std::nullopt;
}

QString declaredEncoding(const QByteArray &bytes)
{
    static const QRegularExpression declaration(
        QStringLiteral(R"(^\s*<\?xml\s[^>]*?\bencoding\s*=\s*["']([^"']*)["'])"));
    QByteArray head = bytes.left(200);
    if (head.startsWith("\xEF\xBB\xBF"))
        head.remove(0, 3);
    // The declaration is ASCII in every encoding that can declare itself this way.
    const auto match = declaration.match(QString::fromLatin1(head));
    return match.hasMatch() ? match.captured(1) : QString();
}

bool isUtf8Name(const QString &encoding)
{
    return encoding.compare(u"UTF-8", Qt::CaseInsensitive) == 0 ||
           encoding.compare(u"UTF8", Qt::CaseInsensitive) == 0;
}
