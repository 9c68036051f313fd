// Reading the directory from block 0, and resetting the image to empty.

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "link/DeviceLink.h"
#include "link/PageFormat.h"
#include "storage/safety/DirectoryRecovery.h"
#include "storage/format/DirectoryRules.h"
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

std::string RecoveredText(const RecoveredDirectory& found)
{
    const int songs = found.image->entryCount();
    return std::string(kRecoveredFrom) + "Mellifon has restored it from its copy " + found.source + ", with " +
           std::to_string(songs) + (songs == 1 ? " song." : " songs.");
}

}

// A directory sealed with its rules broken (by another program, or before
// this one guarded block 0) is not to be built on: saving a change to it
// would seal the damage for good.
void DeviceLink::ReportBrokenRules()
{
    std::string text;
    int serious = 0;
    for (const RuleBreak& rule : DirectoryRuleBreaks(m_image))
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
    m_image.SetEmpty();
    return 1;
}

int DeviceLink::ReadPageChecked(int page, uint8_t* raw, int block)
{
    uint8_t attempt[kRawPageSize];
    bool answered = false;
    int failures = 0;
    for (int reads = 0; reads < kBlockAttempts;) {
        if (!ReadRawPage(page, attempt, block)) {
            // Once more after waking the link; a player that does not answer
            // twice in a row is not there.
            if (++failures > 1)
                break;
            OpenLink();
            continue;
        }
        failures = 0;
        ++reads;
        answered = true;
        std::memcpy(raw, attempt, kRawPageSize);
        if (RawPageErased(raw) || RawPageIntact(raw))
            break;
    }
    return answered ? 1 : 0;
}

int DeviceLink::ReadBlockZero(uint8_t* raw)
{
    bool opened = false;
    for (int call = 0; call < 3 && !opened; ++call)
        opened = OpenLink() != 0;
    if (!opened)
        return 0;
    for (int page = 0; page < kPagesPerBlock; ++page) {
        // Stop at the first page the player does not give: the others would
        // only wait out the same time-out.
        if (!ReadPageChecked(page, raw + size_t(page) * kRawPageSize, 0))
            return 0;
        Ui().ShowProgress(page, kPagesPerBlock);
    }
    return 1;
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
    const int complete = ReadBlockZero(raw.get());
    CloseLink();
    if (!complete) {
        // Nothing is known of block 0: no change is saved until it is read.
        ForgetPlayerDirectory();
        Ui().ShowMessage(kNotConnected);
        return 0;
    }
    for (int page = 0; page < kPagesPerBlock; ++page)
        std::memcpy(read->Bytes() + page * kPageSize, raw.get() + size_t(page) * kRawPageSize, kPageSize);
    RememberPlayerDirectory(*read);
    m_bDirectoryDamaged = false;
    if (read->ChecksumsValid()) {
        m_image = *read;
        ReportBrokenRules();
        return 1;
    }

    RecoveredDirectory found;
    if (repair && DirectoryRecovery(*this, raw.get()).Find(&found)) {
        m_image = *found.image;
        const WriteWitness witness = found.source == "on Rio" ? WriteWitness::ShadowOnPlayer : WriteWitness::NewShadow;
        if (WriteSealedDirectory(*found.image, found.record, witness))
            Ui().ShowMessage(RecoveredText(found));
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
