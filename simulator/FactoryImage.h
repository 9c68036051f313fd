#pragma once
// A player as it leaves the factory: erased flash, and in block 0 an empty
// directory with valid checksums that counts the blocks the flash has,
// written as the link writes block 0.

class FlashMemory;

void MakeFactoryFresh(FlashMemory& flash);
