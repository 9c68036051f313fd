// Reading the directory from block 0, and resetting the image to empty.

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "link/DeviceLink.h"
#include "format/PageFormat.h"
#include "storage/safety/DirectoryRecovery.h"
#include "format/DirectoryRules.h"
#include "storage/StorageTexts.h"
#include "storage/UserInterface.h"

namespace {

// The progress control goes away on every path out of a load.
class ProgressHider {
public:
    explicit ProgressHider(UserInterface& ui) : m_ui(ui) {}
    ~ProgressHider() { m_ui.ShowProgress(-1, -1); }

private:
    UserInterface& m_ui;
};

void DataOfPages(const uint8_t* raw, DirectoryImage* image)
{
    for (int page = 0; page < kPagesPerBlock; ++page)
        std::memcpy(image->Bytes() + page * kPageSize, raw + size_t(page) * kRawPageSize, kPageSize);
}

std::string RecoveredText(const RecoveredDirectory& found)
{
    const int songs = found.image->entryCount();
    return std::string(kRecoveredFrom) + "Mellifon has restored it from its copy " + found.source + ", with " +
           std::to_string(songs) + (songs == 1 ? " song." : " songs.");
}

std::string NotWrittenBackText(const RecoveredDirectory& found)
{
    const int songs = found.image->entryCount();
    return std::string(kRecoveredFrom) + "Mellifon found its copy " + found.source + ", with " +
           std::to_string(songs) + (songs == 1 ? " song" : " songs") +
           ", but could not write it back. The list shows the copy; nothing is changed until Mellifon next reads "
           "Rio and writes it.";
}

}

// A directory sealed with its rules broken (by another program, or before
// this one guarded block 0) is not to be built on: saving a change to it
// would seal the damage for good.
void DeviceLink::ReportBrokenRules()
{
    std::string text;
    int serious = 0;
    for (const RuleBreak& rule : DirectoryRuleBreaks(m_image, true))
        if (rule.serious && ++serious <= 5)
            text += "- " + rule.text + "\n";
    if (serious == 0)
        return;
    if (serious > 5)
        text += "- and " + std::to_string(serious - 5) + " more.\n";
    m_bDirectoryDamaged = true;
    Ui().ShowMessage(kDirectoryBroken + text + kDirectoryBrokenEnd);
}

int DeviceLink::InitializeDirectory()
{
    if (!m_bPortSet)
        return 0;
    // A player of less than 32 MiB keeps its size: the 1024 blocks an empty
    // directory used to claim would send shadows and songs to memory it lacks.
    m_image.SetEmpty(PlayerBlocks());
    return 1;
}

int DeviceLink::ReadPageChecked(int page, uint8_t* raw, int block, bool* clean)
{
    uint8_t attempt[kRawPageSize];
    bool answered = false;
    int failures = 0;
    int reads = 0;
    bool whole = false;
    bool failedOnce = false;
    while (reads < kBlockAttempts) {
        if (!ReadRawPage(page, attempt, block)) {
            failedOnce = true;
            // Once more after waking the link and waiting out whatever the
            // chip is still busy with (a busy chip ignores the read); a player
            // that does not answer twice in a row is not there.
            if (++failures > 1)
                break;
            OpenLink();
            WaitReady();
            continue;
        }
        failures = 0;
        ++reads;
        answered = true;
        std::memcpy(raw, attempt, kRawPageSize);
        whole = RawPageErased(raw) || RawPageIntact(raw);
        if (whole)
            break;
    }
    if (clean)
        *clean = whole && reads == 1 && !failedOnce;
    return answered ? 1 : 0;
}

int DeviceLink::ReadBlockZero(uint8_t* raw, std::vector<int>* doubtful)
{
    bool opened = false;
    for (int call = 0; call < 3 && !opened; ++call)
        opened = OpenLink() != 0;
    if (!opened)
        return 0;
    for (int page = 0; page < kPagesPerBlock; ++page) {
        // Stop at the first page the player does not give: the others would
        // only wait out the same time-out.
        bool clean = false;
        if (!ReadPageChecked(page, raw + size_t(page) * kRawPageSize, 0, &clean))
            return 0;
        if (!clean)
            doubtful->push_back(page);
        Ui().ShowProgress(page, kPagesPerBlock);
    }
    return 1;
}

// A page that took more than one read, or whose bytes disagree with their
// checksum, may be a glitch: a player that drops a slow read hands on the
// page its chip read before. Such pages are read again from a chip seen
// ready before block 0 counts as damaged.
int DeviceLink::ReadDoubtfulPagesAgain(uint8_t* raw, const std::vector<int>& doubtful)
{
    OpenLink();
    WaitReady();
    int answered = 1;
    for (size_t i = 0; i < doubtful.size() && answered; ++i)
        answered = ReadPageChecked(doubtful[i], raw + size_t(doubtful[i]) * kRawPageSize, 0);
    CloseLink();
    return answered;
}

int DeviceLink::LoadDirectory(bool repair)
{
    WaitCursor wait(Ui());
    if (!m_bPortSet)
        return 0;
    std::unique_ptr<uint8_t[]> raw(new (std::nothrow) uint8_t[size_t(kPagesPerBlock) * kRawPageSize]);
    std::unique_ptr<DirectoryImage> read(new (std::nothrow) DirectoryImage);
    if (!raw || !read) {
        std::fputs(kNewFailed, stdout);
        return 0;
    }
    ProgressHider hider(Ui());
    m_nFoundBlocks = 0; // another player may be on the port now
    std::vector<int> doubtful;
    int complete = ReadBlockZero(raw.get(), &doubtful);
    CloseLink();
    bool sound = false;
    if (complete) {
        DataOfPages(raw.get(), read.get());
        sound = read->ChecksumsValid();
        if (!sound && !doubtful.empty() && (complete = ReadDoubtfulPagesAgain(raw.get(), doubtful))) {
            DataOfPages(raw.get(), read.get());
            sound = read->ChecksumsValid();
        }
    }
    m_bFromUnwrittenCopy = false;
    if (!complete) {
        // Nothing is known of block 0: no change is saved until it is read.
        ForgetPlayerDirectory();
        Ui().ShowMessage(kNotConnected);
        return 0;
    }
    RememberPlayerDirectory(*read, sound);
    m_bDirectoryDamaged = false;
    if (PlayerDirectorySound()) {
        m_image = *read;
        ReportBrokenRules();
        return 1;
    }

    RecoveredDirectory found;
    if (repair && DirectoryRecovery(*this, raw.get()).Find(&found)) {
        m_image = *found.image;
        const WriteWitness witness = found.source == "on Rio" ? WriteWitness::ShadowOnPlayer : WriteWitness::NewShadow;
        if (WriteSealedDirectory(*found.image, found.record, witness)) {
            Ui().ShowMessage(RecoveredText(found));
        } else {
            // Block 0 is still damaged (or worse): shown, but not built on.
            m_bDirectoryDamaged = true;
            m_bFromUnwrittenCopy = true;
            Ui().ShowMessage(NotWrittenBackText(found));
        }
        return 1;
    }
    m_image = *read;
    m_bDirectoryDamaged = true;
    Ui().ShowMessage(kInvalidChecksum);
    return 1;
}

DirectoryCheck DeviceLink::CheckDirectoryUnchanged()
{
    if (!m_bSafeguards)
        return DirectoryCheck::Unchanged;
    if (!m_bPortSet || !m_pOnPlayer)
        return DirectoryCheck::Changed;
    WaitCursor wait(Ui());
    uint8_t raw[kRawPageSize];
    OpenLink();
    const int read = ReadPageChecked(0, raw, 0);
    CloseLink();
    if (!read)
        return DirectoryCheck::NoAnswer;
    return std::memcmp(raw, m_pOnPlayer->Bytes(), kPageSize) == 0 ? DirectoryCheck::Unchanged
                                                                  : DirectoryCheck::Changed;
}
