#include "storage/safety/DirectoryCopies.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

#include "format/LittleEndian.h"
#include "format/PageFormat.h"
#include "storage/safety/CopyFolder.h"
#include "format/Fingerprint.h"

namespace {

constexpr char kMagic[16] = "MELLIFON DIRCPY";
constexpr uint32_t kFirstForm = 1;
constexpr uint32_t kVersion = 2;
constexpr size_t kChangeField = 64;
constexpr size_t kPrints = 128;
// The first form: a 512-byte header with the change at 48.
constexpr size_t kFirstHeader = 512;
constexpr size_t kFirstChange = 48;
// This form: a 4096-byte header.
constexpr size_t kHeader = 4096;
constexpr size_t kUndoField = 44;
constexpr size_t kReleasedCount = 42;
constexpr size_t kChange = 64;
constexpr size_t kReplacedPages = 512;
constexpr size_t kReleased = 768;
constexpr size_t kReleasedSize = 20;
constexpr size_t kSources = 2048;
constexpr const char* kPrefix = "directory-";
constexpr const char* kSuffix = ".copy";

constexpr size_t RecordSize(size_t header)
{
    return header + DirectoryImage::kSize + 8;
}

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

std::string ReadText(const uint8_t* field)
{
    const char* text = reinterpret_cast<const char*>(field);
    return std::string(text, strnlen(text, kChangeField - 1));
}

}

uint32_t DirectoryPagePrint(const uint8_t* page)
{
    return uint32_t(Fingerprint(page, kPageSize)) | 1u;
}

std::vector<uint8_t> EncodeDirectoryCopy(const DirectoryCopy& copy)
{
    std::vector<uint8_t> bytes(RecordSize(kHeader), 0);
    uint8_t* p = bytes.data();
    std::memcpy(p, kMagic, sizeof kMagic);
    WriteU32LE(p + 16, kVersion);
    WriteU32LE(p + 20, copy.sequence);
    WriteU64LE(p + 24, copy.digest);
    WriteU64LE(p + 32, copy.replacesDigest);
    WriteU16LE(p + 40, copy.shadowBlock);
    const size_t released = std::min(copy.released.size(), DirectoryCopy::kMostReleased);
    WriteU16LE(p + kReleasedCount, uint16_t(released));
    WriteU64LE(p + kUndoField, copy.undoDigest);
    std::memcpy(p + kChange, copy.change.data(), std::min(copy.change.size(), kChangeField - 1));
    for (size_t slot = 0; slot < copy.prints.size(); ++slot)
        WriteU32LE(p + kPrints + 4 * slot, copy.prints[slot]);
    for (size_t page = 0; page < copy.replacedPages.size(); ++page)
        WriteU32LE(p + kReplacedPages + 4 * page, copy.replacedPages[page]);
    for (size_t slot = 0; slot < copy.sources.size(); ++slot)
        WriteU64LE(p + kSources + 8 * slot, copy.sources[slot]);
    for (size_t i = 0; i < released; ++i) {
        uint8_t* song = p + kReleased + kReleasedSize * i;
        for (size_t k = 0; k < 4; ++k)
            WriteU32LE(song + 4 * k, copy.released[i].key[k]);
        WriteU32LE(song + 16, copy.released[i].print);
    }
    std::memcpy(p + kHeader, copy.image->Bytes(), DirectoryImage::kSize);
    WriteU64LE(p + bytes.size() - 8, Fingerprint(p, bytes.size() - 8));
    return bytes;
}

namespace {

// The fields of a record whose bytes are known to be whole: read back, or
// just written. `image` holds its directory.
DirectoryCopy ParseDirectoryCopy(const uint8_t* p, std::shared_ptr<const DirectoryImage> image)
{
    DirectoryCopy copy;
    const uint32_t version = ReadU32LE(p + 16);
    copy.sequence = ReadU32LE(p + 20);
    copy.digest = ReadU64LE(p + 24);
    copy.replacesDigest = ReadU64LE(p + 32);
    copy.shadowBlock = ReadU16LE(p + 40);
    for (size_t slot = 0; slot < copy.prints.size(); ++slot)
        copy.prints[slot] = ReadU32LE(p + kPrints + 4 * slot);
    if (version == kFirstForm) {
        // Every write then was a change that the undo took back to what it replaced.
        copy.undoDigest = copy.replacesDigest;
        copy.change = ReadText(p + kFirstChange);
    } else {
        copy.undoDigest = ReadU64LE(p + kUndoField);
        copy.change = ReadText(p + kChange);
        for (size_t page = 0; page < copy.replacedPages.size(); ++page)
            copy.replacedPages[page] = ReadU32LE(p + kReplacedPages + 4 * page);
        for (size_t slot = 0; slot < copy.sources.size(); ++slot)
            copy.sources[slot] = ReadU64LE(p + kSources + 8 * slot);
        const size_t released = std::min<size_t>(ReadU16LE(p + kReleasedCount), DirectoryCopy::kMostReleased);
        for (size_t i = 0; i < released; ++i) {
            const uint8_t* song = p + kReleased + kReleasedSize * i;
            ReleasedSong r;
            for (size_t k = 0; k < 4; ++k)
                r.key[k] = ReadU32LE(song + 4 * k);
            r.print = ReadU32LE(song + 16);
            copy.released.push_back(r);
        }
    }
    copy.image = std::move(image);
    return copy;
}

}

bool DecodeDirectoryCopy(const std::vector<uint8_t>& bytes, DirectoryCopy* copy)
{
    const uint8_t* p = bytes.data();
    if (bytes.size() < RecordSize(kFirstHeader) || std::memcmp(p, kMagic, sizeof kMagic) != 0)
        return false;
    const uint32_t version = ReadU32LE(p + 16);
    const size_t header = version == kFirstForm ? kFirstHeader : kHeader;
    if ((version != kFirstForm && version != kVersion) || bytes.size() != RecordSize(header) ||
        ReadU64LE(p + bytes.size() - 8) != Fingerprint(p, bytes.size() - 8))
        return false;
    auto image = std::make_shared<DirectoryImage>();
    std::memcpy(image->Bytes(), p + header, DirectoryImage::kSize);
    if (image->Digest() != ReadU64LE(p + 24))
        return false;
    *copy = ParseDirectoryCopy(p, std::move(image));
    return true;
}

std::string DirectoryCopies::Path() const
{
    return m_folder.Path();
}

// A record is never changed once written, so each is decoded once; its
// closing fingerprint tells a file written anew under the same name.
std::vector<DirectoryCopy> DirectoryCopies::All()
{
    std::vector<DirectoryCopy> copies;
    std::map<std::string, Decoded> seen;
    for (const std::string& name : m_folder.Names()) {
        std::vector<uint8_t> bytes;
        if (!IsCopyName(name) || !m_folder.Read(name, &bytes) || bytes.size() < 8)
            continue;
        const uint64_t closing = ReadU64LE(bytes.data() + bytes.size() - 8);
        const auto known = m_decoded.find(name);
        if (known != m_decoded.end() && known->second.closing == closing) {
            copies.push_back(known->second.copy);
            seen.insert(*known);
            continue;
        }
        DirectoryCopy copy;
        if (DecodeDirectoryCopy(bytes, &copy)) {
            copies.push_back(copy);
            seen[name] = Decoded{closing, std::move(copy)};
        }
    }
    m_decoded = std::move(seen);
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

void LearnPrints(PrintBook& book, const DirectoryCopy& copy)
{
    const int songs = std::min<int>(copy.image->entryCount(), DirectoryImage::kEntrySlots);
    for (int slot = 0; slot < songs; ++slot)
        book.Offer(KeyOf(copy.image->Entry(slot)), copy.prints[size_t(slot)]);
    for (const ReleasedSong& song : copy.released)
        book.Offer(song.key, song.print);
}

std::vector<const DirectoryCopy*> HistoryOf(const std::vector<DirectoryCopy>& newestFirst, const DirectoryCopy& record)
{
    std::vector<const DirectoryCopy*> history;
    const DirectoryCopy* step = &record;
    for (size_t steps = 0; step && steps <= newestFirst.size(); ++steps) {
        history.push_back(step);
        const uint64_t replaced = step->replacesDigest;
        const uint32_t before = step->sequence;
        step = nullptr;
        for (const DirectoryCopy& copy : newestFirst)
            if (replaced != 0 && copy.digest == replaced && copy.sequence < before) {
                step = &copy;
                break;
            }
    }
    return history;
}

PrintBook HistoryPrints(const std::vector<DirectoryCopy>& newestFirst, const DirectoryCopy& record)
{
    PrintBook book;
    for (const DirectoryCopy* step : HistoryOf(newestFirst, record))
        LearnPrints(book, *step);
    return book;
}

PrintBook DirectoryCopies::PrintsOfHistory(uint64_t digest)
{
    const std::vector<DirectoryCopy> all = All();
    for (const DirectoryCopy& copy : all)
        if (copy.digest == digest)
            return HistoryPrints(all, copy);
    return PrintBook();
}

std::set<uint64_t> DirectoryCopies::DigestsOfHistory(uint64_t digest)
{
    std::set<uint64_t> digests;
    const std::vector<DirectoryCopy> all = All();
    for (const DirectoryCopy& copy : all)
        if (copy.digest == digest) {
            for (const DirectoryCopy* step : HistoryOf(all, copy))
                digests.insert(step->digest);
            break;
        }
    return digests;
}

bool DirectoryCopies::Keep(DirectoryCopy& copy, std::string* error)
{
    std::vector<uint32_t> sequences;
    for (const std::string& name : m_folder.Names())
        if (IsCopyName(name))
            sequences.push_back(uint32_t(std::strtoul(name.c_str() + std::strlen(kPrefix), nullptr, 10)));
    std::sort(sequences.begin(), sequences.end());
    copy.sequence = sequences.empty() ? 1 : sequences.back() + 1;
    if (copy.digest == 0)
        copy.digest = copy.image->Digest();
    const std::vector<uint8_t> bytes = EncodeDirectoryCopy(copy);
    if (!m_folder.WriteDurably(FileName(copy.sequence), bytes, error))
        return false;
    // Known as written: the next look at the records need not decode it
    // (its two fingerprints cost as much as the write).
    m_decoded[FileName(copy.sequence)] =
        Decoded{ReadU64LE(bytes.data() + bytes.size() - 8), ParseDirectoryCopy(bytes.data(), copy.image)};
    sequences.push_back(copy.sequence);
    for (size_t i = 0; i + kKept < sequences.size(); ++i)
        m_folder.Remove(FileName(sequences[i]));
    return true;
}
