#include "storage/safety/DirectoryCopies.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "link/LittleEndian.h"
#include "storage/safety/CopyFolder.h"
#include "storage/format/Fingerprint.h"

namespace {

constexpr char kMagic[16] = "MELLIFON DIRCPY";
constexpr uint32_t kVersion = 1;
constexpr size_t kHeader = 512;
constexpr size_t kChangeField = 64;
constexpr size_t kPrints = 128;
constexpr size_t kRecord = kHeader + DirectoryImage::kSize + 8;
constexpr const char* kPrefix = "directory-";
constexpr const char* kSuffix = ".copy";

std::string FileName(uint32_t sequence)
{
    char name[48];
    std::snprintf(name, sizeof name, "%s%010u%s", kPrefix, unsigned(sequence), kSuffix);
    return name;
}

bool IsCopyName(const std::string& name)
{
    const size_t prefix = std::strlen(kPrefix), suffix = std::strlen(kSuffix);
    return name.size() > prefix + suffix && name.compare(0, prefix, kPrefix) == 0 &&
           name.compare(name.size() - suffix, suffix, kSuffix) == 0;
}

}

uint32_t SongPrint(const std::vector<uint16_t>& firstPageChecksums)
{
    std::vector<uint8_t> bytes;
    for (uint16_t sum : firstPageChecksums) {
        bytes.push_back(uint8_t(sum));
        bytes.push_back(uint8_t(sum >> 8));
    }
    return uint32_t(Fingerprint(bytes.data(), bytes.size())) | 1u;
}

SongKey KeyOf(const DirectoryEntry& entry)
{
    return {entry.firstBlock(), entry.blockCount(), entry.size(), uint32_t(entry.uploadTime())};
}

uint32_t PrintIn(const DirectoryCopy& copy, const SongKey& key)
{
    const int songs = std::min<int>(copy.image->entryCount(), DirectoryImage::kEntrySlots);
    for (int slot = 0; slot < songs; ++slot)
        if (KeyOf(copy.image->Entry(slot)) == key)
            return copy.prints[size_t(slot)];
    return 0;
}

std::vector<uint8_t> EncodeDirectoryCopy(const DirectoryCopy& copy)
{
    std::vector<uint8_t> bytes(kRecord, 0);
    uint8_t* p = bytes.data();
    std::memcpy(p, kMagic, sizeof kMagic);
    WriteU32LE(p + 16, kVersion);
    WriteU32LE(p + 20, copy.sequence);
    WriteU64LE(p + 24, copy.digest);
    WriteU64LE(p + 32, copy.replacesDigest);
    WriteU16LE(p + 40, copy.shadowBlock);
    std::memcpy(p + 48, copy.change.data(), std::min(copy.change.size(), kChangeField - 1));
    for (size_t slot = 0; slot < copy.prints.size(); ++slot)
        WriteU32LE(p + kPrints + 4 * slot, copy.prints[slot]);
    std::memcpy(p + kHeader, copy.image->Bytes(), DirectoryImage::kSize);
    WriteU64LE(p + kRecord - 8, Fingerprint(p, kRecord - 8));
    return bytes;
}

bool DecodeDirectoryCopy(const std::vector<uint8_t>& bytes, DirectoryCopy* copy)
{
    const uint8_t* p = bytes.data();
    if (bytes.size() != kRecord || std::memcmp(p, kMagic, sizeof kMagic) != 0 || ReadU32LE(p + 16) != kVersion ||
        ReadU64LE(p + kRecord - 8) != Fingerprint(p, kRecord - 8))
        return false;
    auto image = std::make_shared<DirectoryImage>();
    std::memcpy(image->Bytes(), p + kHeader, DirectoryImage::kSize);
    if (image->Digest() != ReadU64LE(p + 24))
        return false;
    copy->sequence = ReadU32LE(p + 20);
    copy->digest = ReadU64LE(p + 24);
    copy->replacesDigest = ReadU64LE(p + 32);
    copy->shadowBlock = ReadU16LE(p + 40);
    const char* change = reinterpret_cast<const char*>(p + 48);
    copy->change.assign(change, strnlen(change, kChangeField - 1));
    for (size_t slot = 0; slot < copy->prints.size(); ++slot)
        copy->prints[slot] = ReadU32LE(p + kPrints + 4 * slot);
    copy->image = std::move(image);
    return true;
}

std::string DirectoryCopies::Path() const
{
    return m_folder.Path();
}

std::vector<DirectoryCopy> DirectoryCopies::All()
{
    std::vector<DirectoryCopy> copies;
    for (const std::string& name : m_folder.Names()) {
        std::vector<uint8_t> bytes;
        DirectoryCopy copy;
        if (IsCopyName(name) && m_folder.Read(name, &bytes) && DecodeDirectoryCopy(bytes, &copy))
            copies.push_back(std::move(copy));
    }
    std::sort(copies.begin(), copies.end(),
              [](const DirectoryCopy& a, const DirectoryCopy& b) { return a.sequence > b.sequence; });
    return copies;
}

bool DirectoryCopies::Find(uint64_t digest, DirectoryCopy* copy)
{
    for (DirectoryCopy& candidate : All())
        if (candidate.digest == digest) {
            *copy = std::move(candidate);
            return true;
        }
    return false;
}

bool DirectoryCopies::Keep(DirectoryCopy& copy, std::string* error)
{
    std::vector<uint32_t> sequences;
    for (const std::string& name : m_folder.Names())
        if (IsCopyName(name))
            sequences.push_back(uint32_t(std::strtoul(name.c_str() + std::strlen(kPrefix), nullptr, 10)));
    std::sort(sequences.begin(), sequences.end());
    copy.sequence = sequences.empty() ? 1 : sequences.back() + 1;
    copy.digest = copy.image->Digest();
    if (!m_folder.WriteDurably(FileName(copy.sequence), EncodeDirectoryCopy(copy), error))
        return false;
    sequences.push_back(copy.sequence);
    for (size_t i = 0; i + kKept < sequences.size(); ++i)
        m_folder.Remove(FileName(sequences[i]));
    return true;
}
