#include "fuzz/harnesses.h"

#include <cstddef>
#include <cstdint>

// The libFuzzer entry of one harness; the build names it in MIVORA_FUZZ_HARNESS.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    MIVORA_FUZZ_HARNESS(QByteArrayView(data, qsizetype(size)));
    return 0;
}
