#pragma once

#include "content/content.h"

// The book the program is built for: its hotspot map and word list are compiled in at
// :/Image/point.xml and :/Image/word.xml, and this gives its last spread and contents table.
// The demo book's is in demobook.cpp; for a book folder (cmake -DMIVORA_BOOK=...) mvrbook
// writes it.
Content::Sources compiledBook();
