#pragma once

#include "sheetrules.h"

#include <QImage>
#include <QSize>
#include <QString>

// The sizes the buttons have in the program, in window and in full-screen mode.
QSize buttonSize(const QString &objectName, bool fullScreen);

// The widget a rule styles, as Qt draws it under the application's current style sheet at
// its size in the program: a button in the rule's state, the background label at the window
// size.
QImage renderedRule(const SheetRule &rule, bool fullScreen);
