#include "simulator/FactoryImage.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "format/PageFormat.h"
#include "simulator/FlashMemory.h"
#include "format/DirectoryImage.h"

void MakeFactoryFresh(FlashMemory& flash)
{
    auto directory = std::make_unique<DirectoryImage>();
    directory->SetEmpty(unsigned(std::min(flash.Blocks(), DirectoryImage::kPlayerBlocks)));
    directory->Seal(0);
    for (int page = 0; page < kPagesPerBlock; ++page) {
        const uint8_t* data = directory->Bytes() + page * kPageSize;
        uint8_t raw[kRawPageSize];
        std::memcpy(raw, data, kPageSize);
        const auto spare = SpareBytes(0, 0, PageChecksum(data));
        std::memcpy(raw + kPageSize, spare.data(), kSpareSize);
        flash.StorePage(PageNumber(0, page), raw);
    }
}
