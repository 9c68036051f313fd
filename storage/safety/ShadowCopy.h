#pragma once
// The shadow copy: the directory about to be saved, written first into a
// block that both the old and the new directory mark free, so that a save
// cut short on block 0 can be finished from the player alone.
//
// Its first page is a header: a signature, the block's own number, a
// fingerprint of the directory and a map saying, for each of the 64
// directory pages, either which later page of the block holds it or the one
// byte it is made of (most of the block tables are). After the directory's
// pages comes a record page: the prints of the songs (SongPrints.h) as the
// saving PC knew them, and a print of each page block 0 held before, so
// that any PC can check the shadow against the songs and against an erase
// of block 0 cut short. Every page of the block links to the block itself
// in its spare bytes. The link never writes that for song data (a chain
// never runs into itself), so with the signature and the fingerprints no
// song can be taken for a shadow.

#include <array>
#include <cstdint>
#include <vector>

#include "format/PageFormat.h"
#include "format/DirectoryImage.h"

// What a shadow knows besides the directory; all 0 in a shadow of the first
// form, which had no record page.
struct ShadowRecord {
    std::array<uint32_t, DirectoryImage::kEntrySlots> prints{};
    std::array<uint32_t, kPagesPerBlock> replacedPages{};
};

struct ShadowHeader {
    uint16_t block = 0;
    uint64_t digest = 0;
    int32_t saveTime = 0;
    int storedPages = 0;                   // directory pages kept whole, after the header
    int recordPage = 0;                    // the page of the record; 0: none
    std::array<uint8_t, kPagesPerBlock> source{}; // 0: made of fill[i]; k: page k of the block
    std::array<uint8_t, kPagesPerBlock> fill{};
};

// The pages of the shadow for `directory` in `block`: the header, the pages
// kept whole, then the record, 512 bytes each. False when the directory has
// too few repetitive pages to fit in one block.
// `digest` is the directory's Digest().
bool BuildShadowPages(const DirectoryImage& directory, uint64_t digest, const ShadowRecord& record, uint16_t block,
                      std::vector<uint8_t>* pages);

// Whether a raw first page (528 bytes) read from `block` is a shadow's header.
bool ParseShadowHeader(const uint8_t* raw, uint16_t block, ShadowHeader* header);

// The directory from the header and the data of its stored pages, in order;
// false when it does not match the header's fingerprint.
bool AssembleShadow(const ShadowHeader& header, const std::vector<uint8_t>& storedPages, DirectoryImage* directory);

// The record from the data of its page.
void ParseShadowRecord(const uint8_t* page, ShadowRecord* record);

// The page-stream links of every page of a shadow in `block`.
inline uint16_t ShadowLink(uint16_t block) { return block; }
