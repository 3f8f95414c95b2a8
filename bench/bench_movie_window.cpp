#include "app/application.h"
#include "app/compiledbook.h"
#include "app/widget.h"

#include <QApplication>

// The main window as the program makes it, on the map and content folder given: the demo
// book's own map gives no spread an animation, and animations are what bench/movie_check.py
// watches. Usage: bench_movie_window MAP CONTENT_FOLDER
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 3)
        return 2;
    installFontSubstitutions();
    installStyleSheet(windowStyleSheet);
    Content::Sources book = compiledBook();
    book.mapPath = QString::fromLocal8Bit(argv[1]);
    book.contentDir = QString::fromLocal8Bit(argv[2]);
    // No place file: the window opens on spread 1, whatever a user did before.
    Widget window(nullptr, AudioPlayer::factory(), book, showReadFailureBox, QString());
    window.show();
    return app.exec();
}
