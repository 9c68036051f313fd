#include "commands/SongIdentity.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "files/FilePtr.h"
#include "link/DeviceLink.h"
#include "format/PageFormat.h"
#include "format/Fingerprint.h"
#include "storage/safety/DirectoryCopies.h"

namespace {

constexpr size_t kSlice = 64 * 1024;

}

uint64_t SourceFingerprint(const std::string& path)
{
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return 0;
    std::vector<uint8_t> slice(kSlice);
    uint64_t hash = kFingerprintStart;
    size_t got = 0;
    while ((got = std::fread(slice.data(), 1, kSlice, file.get())) > 0)
        hash = Fingerprint(slice.data(), got, hash);
    if (std::ferror(file.get()))
        return 0;
    return hash != 0 ? hash : 1;
}

uint32_t StoredPrint(const std::string& path, uint64_t start, uint64_t end)
{
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file || end <= start)
        return 0;
    std::vector<uint16_t> sums;
    for (uint64_t at = start; at < end; at += kBlockSize) {
        uint8_t page[kPageSize] = {};
        const size_t want = size_t(std::min<uint64_t>(kPageSize, end - at));
        // Offsets beyond 2 GiB are not a song the player can hold.
        if (at > 0x7FFFFFFF || std::fseek(file.get(), long(at), SEEK_SET) != 0 ||
            std::fread(page, 1, want, file.get()) != want)
            return 0;
        sums.push_back(PageChecksum(page));
    }
    return SongPrint(sums);
}

std::vector<KnownSong> KnownSongs(DeviceLink& link)
{
    const DirectoryImage& image = link.m_image;
    DirectoryCopy record;
    PrintBook prints;
    const bool recorded = link.Copies() && link.PlayerDirectory() &&
                          link.Copies()->Find(link.PlayerDirectory()->Digest(), &record) &&
                          record.image->Digest() == image.Digest();
    if (link.Copies() && link.PlayerDirectory())
        prints = link.Copies()->PrintsOfHistory(link.PlayerDirectory()->Digest());
    std::vector<KnownSong> songs;
    for (int slot = 0; slot < std::min<int>(image.entryCount(), DirectoryImage::kEntrySlots); ++slot) {
        const DirectoryEntry entry = image.Entry(slot);
        KnownSong song;
        song.name = entry.name();
        song.size = entry.size();
        const SongKey key = KeyOf(entry);
        song.print = link.SessionPrints().PrintOf(key);
        if (song.print == 0)
            song.print = prints.PrintOf(key);
        if (recorded)
            song.source = record.sources[size_t(slot)];
        songs.push_back(song);
    }
    return songs;
}

int SongHoldingFile(const std::vector<KnownSong>& songs, const std::vector<bool>& taken, uint64_t source,
                    uint32_t print, uint64_t bytes)
{
    for (size_t i = 0; i < songs.size(); ++i)
        if (!taken[i] && source != 0 && songs[i].source == source)
            return int(i);
    // The print reads a page of each block only: a song whose file this PC
    // knows, and this is not, holds something else.
    for (size_t i = 0; i < songs.size(); ++i)
        if (!taken[i] && print != 0 && songs[i].source == 0 && songs[i].print == print && songs[i].size == bytes)
            return int(i);
    return -1;
}
