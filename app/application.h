#pragma once

#include <QLibraryInfo>
#include <QString>

// Process-wide look: font substitutions and the application style sheet.

// Lets the interface's Windows font families ("楷体", "黑体", "Verdana") resolve to fonts that
// exist on this system; where the real families are installed they are found first.
void installFontSubstitutions();

// Gives Qt's own texts, the standard dialog buttons above all (是, 否, 确定), the Chinese of the
// rest of the interface, from Qt's translation in `directory`. Without the file they stay
// English and nothing else changes. True when the translation was installed.
bool installQtTranslation(
    const QString &directory = QLibraryInfo::path(QLibraryInfo::TranslationsPath));

// Reads the style sheet resource as UTF-8 and makes it the application's, with the 2x button
// pictures on a screen at more than 100 %; an unreadable one installs an empty style sheet.
void installStyleSheet(const QString &resourcePath);

// Lets Qt load plug-ins from the "plugins" folder beside the program. The folder is found from
// the executable, not the working directory: a folder where the program happens to be started
// from can be anyone's.
void addPluginFolder();

// The critical box for a book file that cannot be read: no parent, one Yes button, no default
// button. The main window hands it to the readers of its views.
void showReadFailureBox(const QString &title, const QString &text);

inline const QString windowStyleSheet = QStringLiteral(":/Image/bookstyle.qss");
inline const QString fullScreenStyleSheet = QStringLiteral(":/Image/bookstyle2.qss");
