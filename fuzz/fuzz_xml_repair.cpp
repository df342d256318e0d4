#include "FuzzBodies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzBodies::xmlRepair(data, size);
    return 0;
}
