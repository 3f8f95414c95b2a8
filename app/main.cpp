#include "app/application.h"
#include "app/compiledbook.h"
#include "app/widget.h"
#include "content/interfaceimage.h"

#include <QApplication>
#include <QPixmap>
#include <QSplashScreen>

int main(int argc, char *argv[])
{
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
                  LastPlace::defaultFile());
    window.show();
    splash.finish(&window);
    return app.exec();
}
