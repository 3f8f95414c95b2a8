#include "tools/common/failure.h"

#include <cstdio>

int runReportingFailure(const char *program, const std::function<int()> &work)
{
    try {
        return work();
    } catch (const Failure &failure) {
        std::fprintf(stderr, "%s: %s\n", program, failure.what());
        return 1;
    }
}
