#include "storage/safety/ShadowCopy.h"

#include <algorithm>
#include <cstring>

#include "format/LittleEndian.h"
#include "format/Fingerprint.h"
#include "format/PageFormat.h"

namespace {

constexpr char kSignature[16] = "MELLIFON SHADOW";
constexpr uint32_t kFirstForm = 1; // no record page
constexpr uint32_t kVersion = 2;
constexpr int kBlockField = 20;
constexpr int kDigestField = 24;
constexpr int kSaveTimeField = 32;
constexpr int kStoredField = 36;
constexpr int kRecordField = 37;
constexpr int kSourceMap = 64;
constexpr int kFillMap = 128;
constexpr int kHeaderFingerprint = kPageSize - 8;
constexpr int kRecordPrints = 0;
constexpr int kRecordPages = 256;

bool MadeOfOneByte(const uint8_t* page)
{
    return AllBytesAre(page, kPageSize, page[0]);
}

}

bool BuildShadowPages(const DirectoryImage& directory, uint64_t digest, const ShadowRecord& record, uint16_t block,
                      std::vector<uint8_t>* pages)
{
    pages->assign(kPageSize, 0);
    std::array<uint8_t, kPageSize> header{};
    std::memcpy(header.data(), kSignature, sizeof kSignature);
    WriteU32LE(header.data() + 16, kVersion);
    WriteU16LE(header.data() + kBlockField, block);
    WriteU64LE(header.data() + kDigestField, digest);
    WriteI32LE(header.data() + kSaveTimeField, directory.saveTime());
    int stored = 0;
    for (int page = 0; page < kPagesPerBlock; ++page) {
        const uint8_t* data = directory.Bytes() + page * kPageSize;
        if (MadeOfOneByte(data)) {
            header[size_t(kFillMap + page)] = data[0];
            continue;
        }
        // The header, the pages kept and the record share the block.
        if (++stored + 1 >= kPagesPerBlock)
            return false;
        pages->insert(pages->end(), data, data + kPageSize);
        header[size_t(kSourceMap + page)] = uint8_t(stored);
    }
    header[kStoredField] = uint8_t(stored);
    header[kRecordField] = uint8_t(stored + 1);
    WriteU64LE(header.data() + kHeaderFingerprint, Fingerprint(header.data(), kHeaderFingerprint));
    std::memcpy(pages->data(), header.data(), kPageSize);

    std::array<uint8_t, kPageSize> recordPage{};
    for (size_t slot = 0; slot < record.prints.size(); ++slot)
        WriteU32LE(recordPage.data() + kRecordPrints + 4 * slot, record.prints[slot]);
    for (size_t page = 0; page < record.replacedPages.size(); ++page)
        WriteU32LE(recordPage.data() + kRecordPages + 4 * page, record.replacedPages[page]);
    pages->insert(pages->end(), recordPage.begin(), recordPage.end());
    return true;
}

bool ParseShadowHeader(const uint8_t* raw, uint16_t block, ShadowHeader* header)
{
    SpareLinks links;
    if (!RawPageIntact(raw) || !ParseSpareBytes(raw + kPageSize, &links) || links.previous != ShadowLink(block) ||
        links.next != ShadowLink(block))
        return false;
    const uint32_t version = ReadU32LE(raw + 16);
    if (std::memcmp(raw, kSignature, sizeof kSignature) != 0 || (version != kFirstForm && version != kVersion) ||
        ReadU16LE(raw + kBlockField) != block ||
        ReadU64LE(raw + kHeaderFingerprint) != Fingerprint(raw, kHeaderFingerprint))
        return false;
    header->block = block;
    header->digest = ReadU64LE(raw + kDigestField);
    header->saveTime = ReadI32LE(raw + kSaveTimeField);
    header->storedPages = raw[kStoredField];
    header->recordPage = version == kFirstForm ? 0 : raw[kRecordField];
    if (header->storedPages >= kPagesPerBlock ||
        (header->recordPage != 0 && header->recordPage != header->storedPages + 1))
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

void ParseShadowRecord(const uint8_t* page, ShadowRecord* record)
{
    for (size_t slot = 0; slot < record->prints.size(); ++slot)
        record->prints[slot] = ReadU32LE(page + kRecordPrints + 4 * slot);
    for (size_t p = 0; p < record->replacedPages.size(); ++p)
        record->replacedPages[p] = ReadU32LE(page + kRecordPages + 4 * p);
}
