#include "storage/safety/ShadowCopy.h"

#include <algorithm>
#include <cstring>

#include "link/LittleEndian.h"
#include "storage/format/Fingerprint.h"

namespace {

constexpr char kSignature[16] = "MELLIFON SHADOW";
constexpr uint32_t kVersion = 1;
constexpr int kBlockField = 20;
constexpr int kDigestField = 24;
constexpr int kSaveTimeField = 32;
constexpr int kStoredField = 36;
constexpr int kSourceMap = 64;
constexpr int kFillMap = 128;
constexpr int kHeaderFingerprint = kPageSize - 8;

bool MadeOfOneByte(const uint8_t* page)
{
    return std::all_of(page, page + kPageSize, [page](uint8_t b) { return b == page[0]; });
}

}

bool BuildShadowPages(const DirectoryImage& directory, uint16_t block, std::vector<uint8_t>* pages)
{
    pages->assign(kPageSize, 0);
    uint8_t* header = pages->data();
    std::memcpy(header, kSignature, sizeof kSignature);
    WriteU32LE(header + 16, kVersion);
    WriteU16LE(header + kBlockField, block);
    WriteU64LE(header + kDigestField, directory.Digest());
    WriteI32LE(header + kSaveTimeField, directory.saveTime());
    int stored = 0;
    for (int page = 0; page < kPagesPerBlock; ++page) {
        const uint8_t* data = directory.Bytes() + page * kPageSize;
        if (MadeOfOneByte(data)) {
            header[kFillMap + page] = data[0];
            continue;
        }
        if (++stored >= kPagesPerBlock)
            return false;
        pages->insert(pages->end(), data, data + kPageSize);
        header = pages->data();
        header[kSourceMap + page] = uint8_t(stored);
    }
    header[kStoredField] = uint8_t(stored);
    WriteU64LE(header + kHeaderFingerprint, Fingerprint(header, kHeaderFingerprint));
    return true;
}

bool ParseShadowHeader(const uint8_t* raw, uint16_t block, ShadowHeader* header)
{
    SpareLinks links;
    if (!RawPageIntact(raw) || !ParseSpareBytes(raw + kPageSize, &links) || links.previous != ShadowLink(block) ||
        links.next != ShadowLink(block))
        return false;
    if (std::memcmp(raw, kSignature, sizeof kSignature) != 0 || ReadU32LE(raw + 16) != kVersion ||
        ReadU16LE(raw + kBlockField) != block ||
        ReadU64LE(raw + kHeaderFingerprint) != Fingerprint(raw, kHeaderFingerprint))
        return false;
    header->block = block;
    header->digest = ReadU64LE(raw + kDigestField);
    header->saveTime = ReadI32LE(raw + kSaveTimeField);
    header->storedPages = raw[kStoredField];
    if (header->storedPages >= kPagesPerBlock)
        return false;
    std::memcpy(header->source.data(), raw + kSourceMap, kPagesPerBlock);
    std::memcpy(header->fill.data(), raw + kFillMap, kPagesPerBlock);
    for (uint8_t source : header->source)
        if (source > header->storedPages)
            return false;
    return true;
}

bool AssembleShadow(const ShadowHeader& header, const std::vector<uint8_t>& storedPages, DirectoryImage* directory)
{
    if (storedPages.size() != size_t(header.storedPages) * kPageSize)
        return false;
    for (int page = 0; page < kPagesPerBlock; ++page) {
        uint8_t* target = directory->Bytes() + page * kPageSize;
        const int source = header.source[size_t(page)];
        if (source == 0)
            std::memset(target, header.fill[size_t(page)], kPageSize);
        else
            std::memcpy(target, storedPages.data() + size_t(source - 1) * kPageSize, kPageSize);
    }
    return directory->Digest() == header.digest;
}
