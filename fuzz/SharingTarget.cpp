// libFuzzer's entry for PCs and players that share (fuzz/DirectoryFuzzer.cpp).

#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return RunFuzzInput(data, size, FuzzTarget::Sharing);
}
