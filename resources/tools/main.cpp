// Draws Mivora's compiled-in pictures and checks the button slices by eye.
//
//   mivora_artwork draw <resources>             writes the sprite sheets and big pictures
//   mivora_artwork contact <resources> <dir>    writes one contact sheet per style sheet and
//                                               mock-ups of the three screens
//   mivora_artwork icons <dir>                  writes the program's icon into the hicolor
//                                               theme folders under <dir>
//
// Run it with QT_QPA_PLATFORM=offscreen; resources/tools/make_images.sh does both steps.

#include "contactsheet.h"
#include "faces.h"
#include "preview.h"
#include "scenes.h"
#include "sheetrules.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
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

int fail(const QString &message)
{
    QTextStream(stderr) << "mivora_artwork: " << message << '\n';
    return 1;
}

bool save(const QImage &image, const QString &path, QString *error)
{
    const bool jpeg = path.endsWith(u".jpg");
    const QImage out = image.convertToFormat(jpeg ? QImage::Format_RGB32 : QImage::Format_ARGB32);
    if (!out.save(path, jpeg ? "JPG" : "PNG", jpeg ? 90 : -1)) {
        *error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    qInstallMessageHandler(watchWarnings);
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3 || (args[1] != u"draw" && args[1] != u"contact" && args[1] != u"icons") ||
        (args[1] == u"contact" && args.size() < 4))
        return fail(QStringLiteral("usage: mivora_artwork draw <resources> | contact <resources> "
                                   "<dir> | icons <dir>"));

    // Pictures drawn with a stand-in font would be committed without anyone noticing.
    const QStringList families = QFontDatabase::families();
    for (const QString &family :
         {QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("DejaVu Sans")})
        if (!families.contains(family))
            return fail(QStringLiteral("the font %1 is not installed").arg(family));

    if (args[1] == u"icons") {
        QString error;
        for (const int size : {48, 64, 128, 256}) {
            const QString folder = QStringLiteral("%1/hicolor/%2x%2/apps").arg(args[2]).arg(size);
            if (!QDir().mkpath(folder))
                return fail(QStringLiteral("cannot make %1").arg(folder));
            if (!save(Scenes::appIcon(size), folder + QStringLiteral("/mivora.png"), &error))
                return fail(error);
        }
        return warned ? fail(QStringLiteral("Qt warned while drawing; see above")) : 0;
    }

    const QString resources = args[2];
    const QString window = resources + QStringLiteral("/bookstyle.qss");
    const QString full = resources + QStringLiteral("/bookstyle2.qss");
    QString error;

    if (args[1] == u"contact") {
        const QString out = args[3];
        if (!writeContactSheet(window, resources, false,
                               out + QStringLiteral("/contact-bookstyle.png"), &error) ||
            !writeContactSheet(full, resources, true,
                               out + QStringLiteral("/contact-bookstyle2.png"), &error) ||
            !writePreviews(resources, out, &error))
            return fail(error);
        return warned ? fail(QStringLiteral("Qt warned while drawing; see above")) : 0;
    }

    QList<SheetRule> rules = readSheetRules(window, &error);
    if (rules.isEmpty())
        return fail(error);
    const QList<SheetRule> fullRules = readSheetRules(full, &error);
    if (fullRules.isEmpty())
        return fail(error);
    rules.append(fullRules);
    rules.removeIf([](const SheetRule &rule) { return rule.widgetClass != u"QPushButton"; });

    if (!Faces::drawSpriteSheets(rules, resources, &error) ||
        !save(Scenes::splash(), resources + QStringLiteral("/start.png"), &error) ||
        !save(Scenes::backdrop(), resources + QStringLiteral("/full.jpg"), &error) ||
        !save(Scenes::quitIcon(), resources + QStringLiteral("/qut_ico.png"), &error) ||
        !save(Scenes::windowBackground(), resources + QStringLiteral("/default.jpg"), &error) ||
        !save(Scenes::wordBackground(), resources + QStringLiteral("/word.jpg"), &error))
        return fail(error);
    return warned ? fail(QStringLiteral("Qt warned while drawing; see above")) : 0;
}
