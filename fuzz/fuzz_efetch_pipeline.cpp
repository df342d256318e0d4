#include "FuzzBodies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzBodies::efetchPipeline(data, size);
    return 0;
}
