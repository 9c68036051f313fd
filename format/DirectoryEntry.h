#pragma once
// One song's 128-byte slot in the directory, as a view over the image's bytes.

#include <cstdint>
#include <string>

class DirectoryEntry {
public:
    static constexpr int kSize = 128;
    static constexpr int kAudioHeaderOffset = 19;
    static constexpr int kNameOffset = 28;
    static constexpr int kNameField = 100;
    static constexpr int kMaxNameLength = 99;

    explicit DirectoryEntry(uint8_t* bytes) : m_pBytes(bytes) {}

    uint8_t* Bytes() const { return m_pBytes; }

    uint16_t firstBlock() const;
    void SetFirstBlock(uint16_t block);
    uint16_t blockCount() const;
    void SetBlockCount(uint16_t count);
    uint16_t lastBlockBytes() const;
    void SetLastBlockBytes(uint16_t bytes);
    uint32_t size() const;
    void SetSize(uint32_t size);
    int32_t uploadTime() const;
    void SetUploadTime(int32_t time);

    // The first four bytes of the song, stored in reverse order: read as a
    // little-endian value it is the big-endian frame header.
    uint32_t audioHeader() const;
    const uint8_t* audioHeaderBytes() const { return m_pBytes + kAudioHeaderOffset; }
    void SetAudioHeaderFromData(const uint8_t firstFour[4]);

    // The name up to its NUL, never beyond the 100-byte field.
    std::string name() const;
    // Clears all 100 bytes, then keeps at most 99 bytes and a NUL, cut
    // between characters (format/SongName.h).
    void SetName(const std::string& name);

    void Clear();

private:
    uint8_t* m_pBytes;
};
