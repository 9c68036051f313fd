#include "storage/songs/Download.h"

#include <memory>
#include <new>

#include "link/DeviceLink.h"
#include "format/PageFormat.h"
#include "format/SongName.h"
#include "storage/songs/DownloadFileName.h"
#include "files/FileSize.h"
#include "storage/songs/PartFile.h"
#include "storage/MessageText.h"
#include "storage/StorageTexts.h"

StepOutcome DownloadStep::Step(ProgressBar& bar)
{
    if (m_nBlocksLeft == 0)
        return StepOutcome::Continue;
    // Block numbers come from the player: one outside the memory, block 0
    // (the directory's own, which never follows another), or one met twice
    // means the chain is damaged.
    if (m_nCurrentBlock < 0 || !m_pLink->m_image.IsSongBlock(unsigned(m_nCurrentBlock)) ||
        m_visited.test(size_t(m_nCurrentBlock)))
        return Fail(Failure::ChainBroken);
    m_visited.set(size_t(m_nCurrentBlock));
    if (!m_pLink->ReadBlockRetry(m_pBuffer, m_nCurrentBlock))
        return Fail(Failure::ReadFailed);
    --m_nBlocksLeft;

    // A damaged entry may claim more than a block for its last one: the
    // buffer holds one block, so that is all it can give.
    size_t amount = kBlockSize;
    if (m_nBlocksLeft == 0 && m_nLastBlockBytes > 0 && m_nLastBlockBytes < kBlockSize)
        amount = size_t(m_nLastBlockBytes);
    // A short write (a full disk) must not pass for a finished download.
    if (std::fwrite(m_pBuffer, 1, amount, m_pFile) != amount)
        return Fail(Failure::WriteFailed);
    if (m_nBlocksLeft > 0)
        m_nCurrentBlock = m_pLink->m_image.blockLink(unsigned(m_nCurrentBlock));

    if (m_nBlockCount > 0)
        bar.SetPos((m_nBlockCount - m_nBlocksLeft) * 100 / m_nBlockCount);
    return m_nBlocksLeft == 0 ? StepOutcome::EndOk : StepOutcome::Continue;
}

// The first numbered name beside `name` that nothing has: "song (2).mp3",
// ...; empty when none is free.
std::string DeviceLink::NumberedFreePath(const std::string& folder, const std::string& name)
{
    for (int number = 2; number < 1000; ++number)
        if (!PathExists((folder + NumberedFileName(name, number)).c_str()))
            return folder + NumberedFileName(name, number);
    return std::string();
}

// Where the download goes: `name` in `folder`, or beside a file of that
// name under a numbered one, as the policy says; empty when nothing is free.
// *replace: the file there may be written over.
std::string DeviceLink::FreePath(const std::string& folder, const std::string& name, bool* replace)
{
    const std::string path = folder + name;
    *replace = m_existingFiles == ExistingFiles::Replace;
    if (*replace || !PathExists(path.c_str()))
        return path;
    const std::string numbered = NumberedFreePath(folder, name);
    if (m_existingFiles == ExistingFiles::Ask && !IsFolder(path.c_str())) {
        std::string question = kFileExists;
        question.replace(question.rfind("%s"), 2, numbered.empty() ? "?" : DeviceLink::BaseName(numbered));
        if (Ui().AskYesNo(WithName(question.c_str(), path))) {
            *replace = true;
            return path;
        }
    }
    if (numbered.empty())
        Ui().ShowMessage(WithName(kCannotCreateFile, path));
    else if (m_existingFiles == ExistingFiles::KeepBoth)
        Ui().ShowMessage(WithName(kWrittenBeside, path) + DeviceLink::BaseName(numbered));
    return numbered;
}

int DeviceLink::DownloadSong(int number, const std::string& directory, const std::string& fileName,
                             std::string* written)
{
    const int songs = m_image.entryCount();
    if (number < 1 || number > songs || number > DirectoryImage::kEntrySlots)
        return 0;
    DirectoryEntry entry = m_image.Entry(number - 1);
    // The file gets the size the list shows. A damaged entry may give the
    // song more blocks than that size needs (the rest is not the song's),
    // or fewer (then the song cannot be had whole).
    const uint32_t size = entry.size();
    int blocks = int(size / kBlockSize + (size % kBlockSize ? 1 : 0));
    if (entry.blockCount() == 0)
        blocks = 0; // nothing to read: the dialog waits for the user's Cancel
    if (blocks > entry.blockCount()) {
        Ui().ShowMessage(WithName(kSizeBeyondChain, Ui().Names().Shown(entry.name())));
        return 0;
    }
    // The file is named in the program's own text, as its paths are: UTF-8 on
    // Linux; the code page on Windows, where the window runs on 98's ANSI
    // file calls too. A character the code page lacks comes out as '?', which
    // the safe-name rules turn into '_'.
    const std::string shown = Ui().Names().Shown(entry.name());
    const std::string name = DownloadFileName(fileName.empty() ? shown : fileName, number);
    std::string folder = directory;
    // In the system's own form: the path is shown to the user.
#ifdef _WIN32
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\')
        folder += '\\';
#else
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
#endif
    bool replace = false;
    const std::string path = FreePath(folder, name, &replace);
    if (path.empty())
        return 0; // said why
    // Written beside its place, and given its name only when whole.
    PartFile part;
    if (!part.Create(path)) {
        Ui().ShowMessage(WithName(kCannotCreateFile, path));
        return 0;
    }
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kBlockSize]);
    if (!buffer) {
        std::fputs(kNewFailed, stdout);
        return 0;
    }

    DownloadStep download;
    download.m_pLink = this;
    download.m_nCurrentBlock = entry.firstBlock();
    download.m_nBlocksLeft = download.m_nBlockCount = blocks;
    download.m_pFile = part.File();
    download.m_pBuffer = buffer.get();
    download.m_nLastBlockBytes = int(size % kBlockSize);
    const int result = Ui().RunTransfer(download);

    CloseLink();
    const bool closed = part.Close();
    if (result == kTransferOk && !closed)
        download.m_failure = DownloadStep::Failure::WriteFailed;
    switch (download.m_failure) {
    case DownloadStep::Failure::ChainBroken:
        Ui().ShowMessage(WithName(kChainBroken, shown));
        break;
    case DownloadStep::Failure::ReadFailed:
        Ui().ShowMessage(WithName(kBlockNotRead, shown));
        break;
    case DownloadStep::Failure::WriteFailed:
        Ui().ShowMessage(WithName(kFileNotWritten, path));
        break;
    case DownloadStep::Failure::None:
        break;
    }
    if (result != kTransferOk || !closed)
        return 0;
    if (part.TakeName(path, replace)) {
        if (written)
            *written = path;
        return 1;
    }
    // A file of its name appeared while the song was read: it is kept, and
    // the song goes beside it.
    if (!replace && PathExists(path.c_str())) {
        for (int tries = 0; tries < 3; ++tries) {
            const std::string beside = NumberedFreePath(folder, name);
            if (beside.empty())
                break;
            if (part.TakeName(beside, false)) {
                Ui().ShowMessage(WithName(kWrittenBeside, path) + DeviceLink::BaseName(beside));
                if (written)
                    *written = beside;
                return 1;
            }
        }
    }
    Ui().ShowMessage(WithName(kCannotCreateFile, path));
    return 0;
}
