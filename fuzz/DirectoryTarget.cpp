// libFuzzer's entry for a damaged directory (fuzz/DirectoryFuzzer.cpp).

#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return RunFuzzInput(data, size, FuzzTarget::Directory);
}
