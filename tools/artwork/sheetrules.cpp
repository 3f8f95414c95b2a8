#include "sheetrules.h"

#include "tools/common/failure.h"

#include <QFile>
#include <QRegularExpression>

QRect SheetRule::slice(QSize imageSize) const
{
    return QRect(QPoint(left, top),
                 QPoint(imageSize.width() - right - 1, imageSize.height() - bottom - 1));
}

QString SheetRule::selector() const
{
    return widgetClass + u'#' + objectName + (state.isEmpty() ? QString() : u':' + state);
}

QString SheetRule::numbers() const
{
    return QStringLiteral("%1 %2 %3 %4").arg(top).arg(right).arg(bottom).arg(left);
}

QList<SheetRule> readSheetRules(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("cannot read %1").arg(path));
    QString text = QString::fromUtf8(file.readAll());
    text.remove(QRegularExpression(QStringLiteral(R"(/\*.*?\*/)"),
                                   QRegularExpression::DotMatchesEverythingOption));

    static const QRegularExpression ruleExpression(
        QStringLiteral(R"((\w+)#(\w+)(?::(\w+))?\s*\{([^}]*)\})"));
    static const QRegularExpression imageExpression(QStringLiteral(
        R"(border-image\s*:\s*url\(:/Image/([^)]+)\)\s+(\d+)\s+(\d+)\s+(\d+)\s+(\d+)\s+stretch\s+stretch\s*;)"));

    QList<SheetRule> rules;
    for (const QRegularExpressionMatch &rule : ruleExpression.globalMatch(text)) {
        const QRegularExpressionMatch image = imageExpression.match(rule.captured(4));
        if (!image.hasMatch()) {
            throw Failure(QStringLiteral("%1: rule %2#%3 has no sliced border image")
                              .arg(path, rule.captured(1), rule.captured(2)));
        }
        SheetRule r;
        r.widgetClass = rule.captured(1);
        r.objectName = rule.captured(2);
        r.state = rule.captured(3);
        r.image = image.captured(1);
        r.top = image.captured(2).toInt();
        r.right = image.captured(3).toInt();
        r.bottom = image.captured(4).toInt();
        r.left = image.captured(5).toInt();
        rules.append(r);
    }
    if (rules.isEmpty())
        throw Failure(QStringLiteral("%1 holds no rules").arg(path));
    return rules;
}
