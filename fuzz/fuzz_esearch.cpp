#include "FuzzBodies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzBodies::esearch(data, size);
    return 0;
}
