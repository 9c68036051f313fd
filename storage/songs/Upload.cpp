#include "storage/songs/Upload.h"

#include <cstring>
#include <ctime>
#include <memory>
#include <new>

#include "files/FilePtr.h"
#include "link/DeviceLink.h"
#include "format/PageFormat.h"
#include "audio/AudioFrame.h"
#include "format/SongName.h"
#include "storage/safety/DirectoryCopies.h"
#include "files/FileSize.h"
#include "storage/MessageText.h"
#include "storage/StorageTexts.h"

StepOutcome UploadStep::Step(ProgressBar& bar)
{
    if (m_nBlocksDone >= m_nBlockCount)
        return StepOutcome::EndOk;
    bar.SetPos(m_nBlocksDone * 100 / m_nBlockCount);
    if (!m_pLink->UploadNextBlock(*this))
        return StepOutcome::EndCancel;
    ++m_nBlocksDone;
    return StepOutcome::Continue;
}

int DeviceLink::BlockReadsBack(const uint8_t* source, int block, uint16_t previous, uint16_t next)
{
    OpenLink();
    uint8_t raw[kRawPageSize];
    for (int page = 0; page < kPagesPerBlock; ++page) {
        const uint8_t* data = source + kPageSize * page;
        const auto spare = SpareBytes(previous, next, PageChecksum(data));
        if (!ReadPageChecked(page, raw, block) || std::memcmp(raw, data, kPageSize) != 0 ||
            std::memcmp(raw + kPageSize, spare.data(), kSpareSize) != 0)
            return 0;
    }
    return 1;
}

std::string DeviceLink::BaseName(const std::string& path)
{
    const size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// Before a song's first block is written, the first erase unit of each of
// its later blocks is erased. Those blocks are free, but may still hold a
// removed song whose chain runs through the same blocks in the same order:
// an upload cut between two blocks would otherwise leave its beginning
// linked to that song's end, a whole chain of two songs' bytes. Erased, the
// later blocks end the cut upload's chain where it was cut. (A unit costs a
// few hundred port accesses on a link already awake; a block's write, some
// two hundred thousand.)
int DeviceLink::ClearLaterBlocks(const UploadStep& up)
{
    std::vector<uint16_t> later;
    const unsigned limit = m_image.UsableBlockLimit();
    for (unsigned block = 1; block < limit && later.size() + 1 < up.m_nBlockCount; ++block)
        if (block != up.m_nCurrentBlock && m_image.blockUse(block) == DirectoryImage::kBlockFree)
            later.push_back(uint16_t(block));
    if (later.empty())
        return 1;
    if (!OpenLink())
        return 0;
    for (uint16_t block : later)
        if (!EraseUnit(PageNumber(block, 0)))
            return 0;
    return 1;
}

int DeviceLink::UploadNextBlock(UploadStep& up)
{
    DirectoryEntry entry(up.m_pEntry);
    const uint16_t current = up.m_nCurrentBlock;
    if (!m_image.IsSongBlock(current))
        return 0;
    m_image.SetBlockUse(current, DirectoryImage::kBlockInUse);

    const bool last = up.m_nBlocksDone == up.m_nBlockCount - 1;
    if (last) {
        up.m_nNextBlock = kNoLinkBlock;
        m_image.SetBlockLink(current, 0);
    } else {
        up.m_nNextBlock = m_image.FindUsableFreeBlock();
        if (up.m_nNextBlock == DirectoryImage::kNoBlock) {
            Ui().ShowMessage(kNoFreeNextBlock);
            return 0;
        }
        m_image.SetBlockLink(current, up.m_nNextBlock);
    }

    size_t amount = kBlockSize;
    if (last && entry.lastBlockBytes() != 0) {
        amount = entry.lastBlockBytes();
        std::memset(up.m_pBuffer + amount, 0, kBlockSize - amount);
    }
    if (std::fread(up.m_pBuffer, 1, amount, up.m_pFile) != amount) {
        Ui().ShowMessage(kErrorReadingFile);
        return 0;
    }
    // Only once the first block is in hand: a file that cannot be read
    // leaves a removed song's blocks as they were, for an undo.
    if (up.m_nBlocksDone == 0 && m_bSafeguards && !ClearLaterBlocks(up)) {
        Ui().ShowMessage(WithName(kBlockNotWritten, Ui().Names().Shown(entry.name())));
        return 0;
    }
    if (!WriteBlockRetry(up.m_pBuffer, current, up.m_nPreviousBlock, up.m_nNextBlock)) {
        Ui().ShowMessage(WithName(kBlockNotWritten, Ui().Names().Shown(entry.name())));
        return 0;
    }
    if (m_bVerifyUploads && !BlockReadsBack(up.m_pBuffer, current, up.m_nPreviousBlock, up.m_nNextBlock)) {
        // Once more: a page that did not take may take the second time.
        if (!WriteBlockRetry(up.m_pBuffer, current, up.m_nPreviousBlock, up.m_nNextBlock) ||
            !BlockReadsBack(up.m_pBuffer, current, up.m_nPreviousBlock, up.m_nNextBlock)) {
            Ui().ShowMessage(WithName(kBlockNotKept, Ui().Names().Shown(entry.name())));
            return 0;
        }
    }
    up.m_firstPageSums.push_back(PageChecksum(up.m_pBuffer));
    up.m_nPreviousBlock = current;
    up.m_nCurrentBlock = up.m_nNextBlock;
    return 1;
}

int DeviceLink::UploadSong(const char* path)
{
    return UploadSong(path, BaseName(path), std::string());
}

int DeviceLink::UploadSong(const char* path, const std::string& name, const std::string& progressTitle)
{
    if (!m_bPortSet)
        return 0;
    // A damaged directory may claim more than the 60 slots: full, too.
    if (m_image.entryCount() >= DirectoryImage::kEntrySlots) {
        Ui().ShowMessage(WithName(kDirectoryFull, BaseName(path)));
        return 0;
    }
    FilePtr file(std::fopen(path, "rb"));
    if (!file) {
        Ui().ShowMessage(WithName(IsFolder(path) ? kNotAFile : kCannotOpenFile, path));
        return 0;
    }
    uint64_t fileSize = 0;
    if (!RegularFileSize(file.get(), &fileSize)) {
        Ui().ShowMessage(WithName(kNotAFile, path));
        return 0;
    }

    // The first bytes, enough to see a RIFF wrapper and what follows it.
    uint8_t head[kRiffProbeBytes] = {};
    const size_t got = std::fread(head, 1, sizeof head, file.get());
    if (got < 4) {
        Ui().ShowMessage(WithName(kErrorReadingPropertiesOf, path));
        return 0;
    }
    std::rewind(file.get());

    // Only a wrapper around MPEG audio is left out; any other RIFF file
    // (a PCM WAV) is stored whole.
    uint64_t songLength = fileSize;
    long dataStart = 0;
    if (RiffWrapsMpeg(head, got)) {
        songLength = fileSize - kRiffWrapperBytes;
        dataStart = kRiffWrapperBytes;
    }

    const uint64_t blocks = songLength / kBlockSize + (songLength % kBlockSize ? 1 : 0);
    const uint64_t needed = blocks + (m_image.entryCount() == 0 ? 1 : 0);
    if (needed > m_image.freeBlocks()) {
        Ui().ShowMessage(kNotEnoughMemory);
        return 0;
    }

    uint8_t header[5] = {};
    if (std::fseek(file.get(), dataStart, SEEK_SET) != 0 ||
        std::fread(header, 1, 5, file.get()) != 5) {
        Ui().ShowMessage(WithName(kErrorReadingPropertiesOf, path));
        return 0;
    }
    // A tagged file is described by its first audio frame, not by its tag.
    FrameHeaderAfterTag(file.get(), dataStart, header);
    std::fseek(file.get(), dataStart, SEEK_SET);

    // From here the image carries the whole song; a failure leaves it to the
    // caller to restore or reload.
    if (m_image.entryCount() == 0) {
        m_image.SetUsedBlocks(uint16_t(m_image.usedBlocks() + 1));
        m_image.SetFreeBlocks(uint16_t(m_image.freeBlocks() - 1));
        m_image.SetBlockUse(0, DirectoryImage::kBlockInUse);
        m_image.SetBlockLink(0, 0);
    }
    m_image.SetUsedBlocks(uint16_t(m_image.usedBlocks() + blocks));
    m_image.SetFreeBlocks(uint16_t(m_image.freeBlocks() - blocks));
    m_image.SetEntryCount(uint16_t(m_image.entryCount() + 1));
    DirectoryEntry entry = m_image.Entry(m_image.entryCount() - 1);

    const uint16_t first = m_image.FindUsableFreeBlock();
    if (first == DirectoryImage::kNoBlock) {
        Ui().ShowMessage(kNoFreeFirstBlock);
        return 0;
    }
    entry.Clear();
    entry.SetFirstBlock(first);
    entry.SetBlockCount(uint16_t(blocks));
    entry.SetLastBlockBytes(uint16_t(songLength % kBlockSize));
    entry.SetSize(uint32_t(songLength));
    entry.SetUploadTime(Now());
    entry.SetAudioHeaderFromData(header);
    entry.SetName(Ui().Names().Stored(name));

    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kBlockSize]());
    if (!buffer) {
        std::fputs(kNewFailed, stdout);
        return 0;
    }
    UploadStep upload;
    upload.m_pLink = this;
    upload.m_pFile = file.get();
    upload.m_pBuffer = buffer.get();
    upload.m_pEntry = entry.Bytes();
    upload.m_nCurrentBlock = first;
    upload.m_nPreviousBlock = kNoLinkBlock;
    upload.m_nBlockCount = uint16_t(blocks);
    upload.m_nNextBlock = 0;
    upload.m_nBlocksDone = 0;
    upload.m_title = progressTitle;
    if (Ui().RunTransfer(upload) != kTransferOk)
        return 0;
    NoteSongPrint(KeyOf(entry), SongPrint(upload.m_firstPageSums));
    return 1;
}
