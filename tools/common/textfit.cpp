#include "tools/common/textfit.h"

std::optional<int> largestFitting(int largest, int smallest, const std::function<bool(int)> &fits)
{
    for (int size = largest; size >= smallest; --size) {
        if (fits(size))
            return size;
    }
    return std::nullopt;
}
