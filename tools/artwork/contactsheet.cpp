#include "contactsheet.h"

#include "faces.h"
#include "programbuttons.h"
#include "sheetrules.h"
#include "tools/common/failure.h"
#include "tools/common/fonts.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPainter>

void writeContactSheet(const QString &sheetPath, const QString &resourceDirectory, bool fullScreen,
                       const QString &outputPath)
{
    const QList<SheetRule> rules = readSheetRules(sheetPath);

    // Let Qt read the pictures from the resource folder rather than the compiled-in copies,
    // so freshly drawn pictures can be checked without a rebuild.
    QFile file(sheetPath);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("cannot read %1").arg(sheetPath));
    QString sheet = QString::fromUtf8(file.readAll());
    sheet.replace(QStringLiteral("url(:/Image/"), QStringLiteral("url(%1/").arg(resourceDirectory));
    qApp->setStyleSheet(sheet);

    QStringList objects;
    for (const SheetRule &rule : rules)
        if (!objects.contains(rule.widgetClass + u'#' + rule.objectName))
            objects.append(rule.widgetClass + u'#' + rule.objectName);

    const int zoom = 2;
    const int nameWidth = 150;
    const int stateWidth = 400;
    const int rowHeight = 120;
    QImage sheetImage(nameWidth + 3 * stateWidth + 20, 50 + rowHeight * int(objects.size()),
                      QImage::Format_RGB32);
    sheetImage.fill(QColor(0xEE, 0xEE, 0xEE));
    QPainter p(&sheetImage);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(Qt::black);
    p.setFont(Fonts::latin(16));
    p.drawText(QPoint(10, 28), QStringLiteral("%1: slice x%2 (left) and Qt's rendering x%2 (right)")
                                   .arg(sheetPath.section(u'/', -1))
                                   .arg(zoom));
    const QStringList states{QString(), QStringLiteral("hover"), QStringLiteral("pressed")};
    for (int s = 0; s < 3; ++s)
        p.drawText(QPoint(nameWidth + s * stateWidth + 10, 46),
                   s == 0 ? QStringLiteral("normal") : states[s]);

    for (const SheetRule &rule : rules) {
        const int row = int(objects.indexOf(rule.widgetClass + u'#' + rule.objectName));
        const int col = int(states.indexOf(rule.state));
        const int top = 50 + row * rowHeight;
        const int left = nameWidth + col * stateWidth;
        if (col == 0) {
            p.fillRect(QRect(0, top, sheetImage.width(), 1), QColor(0xBB, 0xBB, 0xBB));
            p.setPen(Qt::black);
            p.setFont(Fonts::latin(14));
            p.drawText(QPoint(8, top + 22), rule.objectName);
            p.setFont(Fonts::chinese(16, false));
            p.drawText(QPoint(8, top + 46), Faces::label(rule));
            p.setFont(Fonts::latin(11, false));
            p.drawText(QPoint(8, top + 66), rule.image);
        }
        const QImage image(resourceDirectory + u'/' + rule.image);
        if (image.isNull())
            throw Failure(QStringLiteral("cannot read %1").arg(rule.image));
        QImage crop = image.copy(rule.slice(image.size()));
        QImage drawn = renderedRule(rule, fullScreen);
        const QSize drawnSize = drawn.size();
        if (rule.widgetClass == u"QLabel") {
            crop = crop.scaledToWidth(170, Qt::SmoothTransformation);
            drawn = drawn.scaledToWidth(170, Qt::SmoothTransformation);
        } else {
            crop = crop.scaled(crop.size() * zoom);
            drawn = drawn.scaled(drawn.size() * zoom);
        }
        // A checkerboard shows which pixels of the slice are transparent.
        const QRect cropRect(left + 6, top + 8, crop.width(), crop.height());
        for (int y = 0; y < cropRect.height(); y += 8)
            for (int x = 0; x < cropRect.width(); x += 8)
                p.fillRect(
                    QRect(cropRect.left() + x, cropRect.top() + y, 8, 8).intersected(cropRect),
                    ((x + y) / 8) % 2 ? QColor(0xCC, 0xCC, 0xCC) : Qt::white);
        p.drawImage(cropRect.topLeft(), crop);
        p.drawImage(QPoint(left + 206, top + 8), drawn);
        p.setPen(QColor(0x55, 0x55, 0x55));
        p.setFont(Fonts::latin(11, false));
        p.drawText(QPoint(left + 6, top + rowHeight - 8), rule.numbers());
        p.drawText(QPoint(left + 206, top + rowHeight - 8),
                   QStringLiteral("%1x%2").arg(drawnSize.width()).arg(drawnSize.height()));
    }
    p.end();
    qApp->setStyleSheet(QString());
    if (!sheetImage.save(outputPath))
        throw Failure(QStringLiteral("cannot write %1").arg(outputPath));
}
