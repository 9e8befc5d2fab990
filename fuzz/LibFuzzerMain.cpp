// libFuzzer entry point; QUILLON_FUZZ_TARGET names the function of FuzzTargets to drive.
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzTargets::QUILLON_FUZZ_TARGET(data, size);
    return 0;
}
