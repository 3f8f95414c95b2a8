// Draws Mivora's compiled-in pictures and checks the button slices by eye.
//
//   mivora_artwork draw <resources>             writes the sprite sheets and big pictures,
//                                               each also at 2x (name@2x.png)
//   mivora_artwork contact <resources> <dir>    writes one contact sheet per style sheet and
//                                               mock-ups of the three screens
//   mivora_artwork icons <dir>                  writes the program's icon into the hicolor
//                                               theme folders under <dir>
//
// Run it with QT_QPA_PLATFORM=offscreen; tools/artwork/make_images.sh does both steps.

#include "contactsheet.h"
#include "content/interfaceimage.h"
#include "faces.h"
#include "preview.h"
#include "scenes.h"
#include "sheetrules.h"
#include "tools/common/failure.h"
#include "tools/common/fonts.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTextStream>

namespace {

// A Qt warning while drawing (a font size out of range, an image that will not load) means a
// picture is quietly wrong, so the run fails rather than write it.
bool warned = false;

void watchWarnings(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    QTextStream(stderr) << message << '\n';
    // Qt says this when there is no desktop session; it does not touch the pictures.
    if (type != QtDebugMsg && type != QtInfoMsg && !message.startsWith(u"QStandardPaths:"))
        warned = true;
}

void save(const QImage &image, const QString &path)
{
    const bool jpeg = path.endsWith(u".jpg");
    const QImage out = image.convertToFormat(jpeg ? QImage::Format_RGB32 : QImage::Format_ARGB32);
    if (!out.save(path, jpeg ? "JPG" : "PNG", jpeg ? 90 : -1))
        throw Failure(QStringLiteral("cannot write %1").arg(path));
}

} // namespace

int main(int argc, char *argv[])
{
    qInstallMessageHandler(watchWarnings);
    QApplication app(argc, argv);
    return runReportingFailure("mivora_artwork", [&app] {
        const QStringList args = app.arguments();
        if (args.size() < 3 ||
            (args[1] != u"draw" && args[1] != u"contact" && args[1] != u"icons") ||
            (args[1] == u"contact" && args.size() < 4))
            throw Failure(QStringLiteral("usage: mivora_artwork draw <resources> | contact "
                                         "<resources> <dir> | icons <dir>"));
        Fonts::requireInstalled();

        if (args[1] == u"icons") {
            for (const int size : {48, 64, 128, 256}) {
                const QString folder =
                    QStringLiteral("%1/hicolor/%2x%2/apps").arg(args[2]).arg(size);
                if (!QDir().mkpath(folder))
                    throw Failure(QStringLiteral("cannot make %1").arg(folder));
                save(Scenes::appIcon(size), folder + QStringLiteral("/mivora.png"));
            }
            if (warned)
                throw Failure(QStringLiteral("Qt warned while drawing; see above"));
            return 0;
        }

        const QString resources = args[2];
        const QString window = resources + QStringLiteral("/bookstyle.qss");
        const QString full = resources + QStringLiteral("/bookstyle2.qss");
        if (args[1] == u"contact") {
            const QString out = args[3];
            writeContactSheet(window, resources, false,
                              out + QStringLiteral("/contact-bookstyle.png"));
            writeContactSheet(full, resources, true,
                              out + QStringLiteral("/contact-bookstyle2.png"));
            writePreviews(resources, out);
        } else {
            QList<SheetRule> rules = readSheetRules(window);
            rules.append(readSheetRules(full));
            rules.removeIf(
                [](const SheetRule &rule) { return rule.widgetClass != u"QPushButton"; });
            // Each picture also at 2x, for screens at more than 100 %.
            for (const int scale : {1, 2}) {
                const auto path = [&](const char *file) {
                    return resources + u'/' + atScale(QString::fromLatin1(file), scale);
                };
                Faces::drawSpriteSheets(rules, resources, scale);
                save(Scenes::splash(scale), path("start.png"));
                save(Scenes::backdrop(scale), path("full.jpg"));
                save(Scenes::quitIcon(scale), path("qut_ico.png"));
                save(Scenes::windowBackground(scale), path("default.jpg"));
                save(Scenes::wordBackground(scale), path("word.jpg"));
            }
        }
        if (warned)
            throw Failure(QStringLiteral("Qt warned while drawing; see above"));
        return 0;
    });
}
