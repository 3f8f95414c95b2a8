#include "app/application.h"
#include "app/compiledbook.h"
#include "app/widget.h"
#include "content/interfaceimage.h"

#include <QApplication>
#include <QPixmap>
#include <QSplashScreen>

#ifdef __GLIBC__
#include <malloc.h>
#endif

int main(int argc, char *argv[])
{
#ifdef __GLIBC__
    // Every change of spread reads a page bundle and decodes a page, megabytes each at 2x, and
    // frees them again. Past the first, glibc would keep blocks that large in its heap, where
    // they stay resident; above 1 MB it maps and unmaps them instead.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
    QApplication app(argc, argv);
    installFontSubstitutions();
    installQtTranslation();
    addPluginFolder();
    installStyleSheet(windowStyleSheet);

    const QPixmap splashImage =
        interfacePixmap(QStringLiteral(":/Image/start.png"), app.devicePixelRatio());
    QSplashScreen splash(splashImage);
    splash.setWindowOpacity(0.9);
    splash.show();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // The splash stays up exactly as long as these synchronous repaints take.
    for (int i = 0; i < 500; ++i)
        splash.repaint();
    splash.hide();

    // The compiled-in hotspot map and word list; audio and animations beside the program.
    Widget window(nullptr, AudioPlayer::factory(), compiledBook(), showReadFailureBox,
                  LastPlace::defaultFile(), History::defaultFile());
    window.show();
    splash.finish(&window);
    return app.exec();
}
