#include "format/DirectoryEntry.h"

#include <cstring>

#include "format/LittleEndian.h"
#include "format/SongName.h"

namespace {
constexpr int kFirstBlock = 0;
constexpr int kBlockCount = 2;
constexpr int kLastBlockBytes = 4;
constexpr int kSizeField = 6;
constexpr int kUploadTime = 15;
}

uint16_t DirectoryEntry::firstBlock() const { return ReadU16LE(m_pBytes + kFirstBlock); }
void DirectoryEntry::SetFirstBlock(uint16_t block) { WriteU16LE(m_pBytes + kFirstBlock, block); }
uint16_t DirectoryEntry::blockCount() const { return ReadU16LE(m_pBytes + kBlockCount); }
void DirectoryEntry::SetBlockCount(uint16_t count) { WriteU16LE(m_pBytes + kBlockCount, count); }
uint16_t DirectoryEntry::lastBlockBytes() const { return ReadU16LE(m_pBytes + kLastBlockBytes); }
void DirectoryEntry::SetLastBlockBytes(uint16_t bytes) { WriteU16LE(m_pBytes + kLastBlockBytes, bytes); }
uint32_t DirectoryEntry::size() const { return ReadU32LE(m_pBytes + kSizeField); }
void DirectoryEntry::SetSize(uint32_t size) { WriteU32LE(m_pBytes + kSizeField, size); }
int32_t DirectoryEntry::uploadTime() const { return ReadI32LE(m_pBytes + kUploadTime); }
void DirectoryEntry::SetUploadTime(int32_t time) { WriteI32LE(m_pBytes + kUploadTime, time); }

uint32_t DirectoryEntry::audioHeader() const { return ReadU32LE(m_pBytes + kAudioHeaderOffset); }

void DirectoryEntry::SetAudioHeaderFromData(const uint8_t firstFour[4])
{
    for (int i = 0; i < 4; ++i)
        m_pBytes[kAudioHeaderOffset + i] = firstFour[3 - i];
}

std::string DirectoryEntry::name() const
{
    const char* field = reinterpret_cast<const char*>(m_pBytes + kNameOffset);
    size_t length = 0;
    while (length < kNameField && field[length] != '\0')
        ++length;
    return std::string(field, length);
}

void DirectoryEntry::SetName(const std::string& name)
{
    std::memset(m_pBytes + kNameOffset, 0, kNameField);
    const size_t length = NameCut(name, kMaxNameLength);
    std::memcpy(m_pBytes + kNameOffset, name.data(), length);
}

void DirectoryEntry::Clear() { std::memset(m_pBytes, 0, kSize); }
