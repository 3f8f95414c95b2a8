#include "content/interfaceimage.h"

#include <QFile>
#include <QIcon>
#include <QImageReader>
#include <QRegularExpression>

QString atScale(const QString &file, int scale)
{
    if (scale == 1)
        return file;
    const qsizetype dot = file.lastIndexOf(u'.');
    const qsizetype slash = file.lastIndexOf(u'/');
    const qsizetype end = dot > slash ? dot : file.size();
    return file.first(end) + QStringLiteral("@%1x").arg(scale) + file.sliced(end);
}

QPixmap interfacePixmap(const QString &path, qreal devicePixelRatio)
{
    // Qt's own lookup of @Nx pictures; the image reader gives a picture named @2x its ratio.
    return QPixmap(qt_findAtNxFile(path, devicePixelRatio));
}

QPixmap interfacePixmap(const QString &path, qreal devicePixelRatio, QSize pixels)
{
    QImageReader reader(qt_findAtNxFile(path, devicePixelRatio));
    reader.setScaledSize(pixels);
    QPixmap picture = QPixmap::fromImage(reader.read());
    picture.setDevicePixelRatio(devicePixelRatio);
    return picture;
}

QString styleSheetFor(const QString &sheet, qreal devicePixelRatio)
{
    if (devicePixelRatio <= 1.0)
        return sheet;
    constexpr int scale = 2;
    static const QRegularExpression borderImage(
        QStringLiteral(R"(url\(([^)]+)\)\s+(\d+)\s+(\d+)\s+(\d+)\s+(\d+))"));
    QString scaled;
    qsizetype from = 0;
    for (auto it = borderImage.globalMatch(sheet); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QString picture = atScale(match.captured(1), scale);
        scaled += QStringView(sheet).sliced(from, match.capturedStart() - from);
        if (QFile::exists(picture)) {
            // Quoted: unquoted, Qt's style sheet parser stops at the '@'.
            scaled += QStringLiteral("url(\"%1\")").arg(picture);
            for (int cut = 2; cut <= 5; ++cut)
                scaled += u' ' + QString::number(match.captured(cut).toInt() * scale);
        } else {
            scaled += match.captured(0);
        }
        from = match.capturedEnd();
    }
    return scaled + sheet.sliced(from);
}
