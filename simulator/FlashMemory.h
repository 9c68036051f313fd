#pragma once
// The simulated player's NAND flash: pages of 512 data and 16 spare bytes,
// erased 16 pages at a time to 0xFF; programming can only clear bits.
// The flash lives in memory, optionally mirrored to an image file in which
// page P sits at offset P x 528. Every change reaches the file at once, and
// every page is read from the file afresh, so two programs on one image
// (the window and the command-line tool) see each other's songs.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "format/PageFormat.h"

class FlashMemory {
public:
    static constexpr int kDefaultBlocks = 1024;

    // Erased flash of the given size, in memory only.
    explicit FlashMemory(int blocks = kDefaultBlocks);
    ~FlashMemory();
    FlashMemory(const FlashMemory&) = delete;
    FlashMemory& operator=(const FlashMemory&) = delete;

    // The flash kept in an image file. A missing file becomes a player fresh
    // from the factory; an existing one gives its size. Null with a reason on
    // failure.
    static std::unique_ptr<FlashMemory> OpenImage(const std::string& path, std::string* error,
                                                  int blocksIfNew = kDefaultBlocks);

    int Blocks() const { return m_nBlocks; }
    // The image file, open for the life of the flash; null in memory only.
    std::FILE* ImageFile() const { return m_pFile; }
    uint32_t Pages() const { return uint32_t(m_nBlocks) * kPagesPerBlock; }

    // 528 bytes: data then spare. The page number must be below Pages().
    const uint8_t* RawPage(uint32_t page);
    void ProgramPage(uint32_t page, const uint8_t* raw);
    void EraseUnit(uint32_t anyPageOfUnit);

    // Writes a whole page as given, bypassing flash rules (for preparing images).
    void StorePage(uint32_t page, const uint8_t* raw);

private:
    void WriteThrough(uint32_t firstPage, uint32_t count);
    void ReadBack(uint32_t page);
    bool WriteAll();

    int m_nBlocks;
    std::vector<uint8_t> m_bytes;
    std::FILE* m_pFile = nullptr;
};
