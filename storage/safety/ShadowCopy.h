#pragma once
// The shadow copy: the directory about to be saved, written first into a
// block that both the old and the new directory mark free, so that a save
// cut short on block 0 can be finished from the player alone.
//
// Its first page is a header: a signature, the block's own number, a
// fingerprint of the directory and a map saying, for each of the 64
// directory pages, either which later page of the block holds it or the one
// byte it is made of (most of the block tables are). Every page of the block
// links to the block itself in its spare bytes. The link never writes that
// for song data (a chain never runs into itself), so with the signature and
// the fingerprints no song can be taken for a shadow.

#include <array>
#include <cstdint>
#include <vector>

#include "link/PageFormat.h"
#include "storage/format/DirectoryImage.h"

struct ShadowHeader {
    uint16_t block = 0;
    uint64_t digest = 0;
    int32_t saveTime = 0;
    int storedPages = 0;                   // directory pages kept whole, after the header
    std::array<uint8_t, kPagesPerBlock> source{}; // 0: made of fill[i]; k: page k of the block
    std::array<uint8_t, kPagesPerBlock> fill{};
};

// The pages of the shadow for `directory` in `block`: the header, then the
// pages kept whole, 512 bytes each. False when the directory has too few
// repetitive pages to fit in one block.
bool BuildShadowPages(const DirectoryImage& directory, uint16_t block, std::vector<uint8_t>* pages);

// Whether a raw first page (528 bytes) read from `block` is a shadow's header.
bool ParseShadowHeader(const uint8_t* raw, uint16_t block, ShadowHeader* header);

// The directory from the header and the data of its stored pages, in order;
// false when it does not match the header's fingerprint.
bool AssembleShadow(const ShadowHeader& header, const std::vector<uint8_t>& storedPages, DirectoryImage* directory);

// The page-stream links of every page of a shadow in `block`.
inline uint16_t ShadowLink(uint16_t block) { return block; }
