#include "app/compiledbook.h"

// The sources' defaults are the demo book's own facts.
Content::Sources compiledBook()
{
    return {};
}
