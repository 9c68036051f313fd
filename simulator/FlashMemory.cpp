#include "simulator/FlashMemory.h"

#include <cerrno>
#include <cstring>

#include "simulator/FactoryImage.h"

FlashMemory::FlashMemory(int blocks)
    : m_nBlocks(blocks), m_bytes(size_t(blocks) * kPagesPerBlock * kRawPageSize, 0xFF)
{
}

FlashMemory::~FlashMemory()
{
    if (m_pFile)
        std::fclose(m_pFile);
}

std::unique_ptr<FlashMemory> FlashMemory::OpenImage(const std::string& path, std::string* error,
                                                    int blocksIfNew)
{
    const long blockBytes = long(kPagesPerBlock) * kRawPageSize;
    if (std::FILE* file = std::fopen(path.c_str(), "r+b")) {
        long size = -1;
        if (std::fseek(file, 0, SEEK_END) == 0)
            size = std::ftell(file);
        if (size <= 0 || size % blockBytes != 0 || size / blockBytes > 8192) {
            std::fclose(file);
            *error = path + ": not a player image (its size is not a whole number of 32 KiB blocks "
                            "of 528-byte pages)";
            return nullptr;
        }
        auto flash = std::make_unique<FlashMemory>(int(size / blockBytes));
        std::rewind(file);
        if (std::fread(flash->m_bytes.data(), 1, flash->m_bytes.size(), file) != flash->m_bytes.size()) {
            std::fclose(file);
            *error = path + ": cannot read the image";
            return nullptr;
        }
        std::setvbuf(file, nullptr, _IONBF, 0); // another program's writes must show at once
        flash->m_pFile = file;
        return flash;
    }
    std::FILE* file = std::fopen(path.c_str(), "w+b");
    if (!file) {
        *error = path + ": cannot create the image: " + std::strerror(errno);
        return nullptr;
    }
    auto flash = std::make_unique<FlashMemory>(blocksIfNew);
    MakeFactoryFresh(*flash);
    std::setvbuf(file, nullptr, _IONBF, 0);
    flash->m_pFile = file;
    if (!flash->WriteAll()) {
        *error = path + ": cannot write the image";
        return nullptr;
    }
    return flash;
}

const uint8_t* FlashMemory::RawPage(uint32_t page)
{
    ReadBack(page);
    return &m_bytes[size_t(page) * kRawPageSize];
}

void FlashMemory::ReadBack(uint32_t page)
{
    if (!m_pFile)
        return;
    const size_t offset = size_t(page) * kRawPageSize;
    if (std::fseek(m_pFile, long(offset), SEEK_SET) == 0)
        std::fread(&m_bytes[offset], 1, kRawPageSize, m_pFile);
}

void FlashMemory::ProgramPage(uint32_t page, const uint8_t* raw)
{
    ReadBack(page);
    uint8_t* target = &m_bytes[size_t(page) * kRawPageSize];
    // Programming only clears bits: eight bytes at a time.
    static_assert(kRawPageSize % 8 == 0);
    for (int i = 0; i < kRawPageSize; i += 8) {
        uint64_t now, programmed;
        std::memcpy(&now, target + i, 8);
        std::memcpy(&programmed, raw + i, 8);
        now &= programmed;
        std::memcpy(target + i, &now, 8);
    }
    WriteThrough(page, 1);
}

void FlashMemory::EraseUnit(uint32_t anyPageOfUnit)
{
    uint32_t first = anyPageOfUnit - anyPageOfUnit % kPagesPerEraseUnit;
    std::memset(&m_bytes[size_t(first) * kRawPageSize], 0xFF, size_t(kPagesPerEraseUnit) * kRawPageSize);
    WriteThrough(first, kPagesPerEraseUnit);
}

void FlashMemory::StorePage(uint32_t page, const uint8_t* raw)
{
    std::memcpy(&m_bytes[size_t(page) * kRawPageSize], raw, kRawPageSize);
    WriteThrough(page, 1);
}

void FlashMemory::WriteThrough(uint32_t firstPage, uint32_t count)
{
    if (!m_pFile)
        return;
    const size_t offset = size_t(firstPage) * kRawPageSize;
    if (std::fseek(m_pFile, long(offset), SEEK_SET) == 0)
        std::fwrite(&m_bytes[offset], 1, size_t(count) * kRawPageSize, m_pFile);
    std::fflush(m_pFile);
}

bool FlashMemory::WriteAll()
{
    std::rewind(m_pFile);
    bool ok = std::fwrite(m_bytes.data(), 1, m_bytes.size(), m_pFile) == m_bytes.size();
    return std::fflush(m_pFile) == 0 && ok;
}
