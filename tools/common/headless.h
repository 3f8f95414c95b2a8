#pragma once

#include <QString>

// Lets a tool draw without a screen and without a login session, as builds run it: the
// offscreen platform unless another is asked for, and a private runtime directory where none
// is set, which Qt would otherwise warn about on every run. Call before the application object
// is made.
void prepareHeadless(const QString &tool);
