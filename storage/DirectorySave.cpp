#include "storage/DirectorySave.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>

#include "link/DeviceLink.h"
#include "link/PageFormat.h"
#include "storage/StorageTexts.h"

// A failed erase or a failed page both cost one of the three attempts; the
// next attempt starts again from the erase, so what ends up on the player is
// always one whole pass.
StepOutcome SaveDirectoryStep::UseUpAttempt()
{
    m_nPage = 0;
    return --m_nStartTries <= 0 ? StepOutcome::EndCancel : StepOutcome::Continue;
}

StepOutcome SaveDirectoryStep::Step(ProgressBar& bar)
{
    if (m_nPage >= kPagesPerBlock)
        return StepOutcome::Continue;
    if (m_nPage == 0 && !m_pLink->EraseBlock(0))
        return UseUpAttempt();
    if (!m_pLink->WritePage(m_pBuffer + kPageSize * m_nPage, m_nPage, 0, 0, 0))
        return UseUpAttempt();
    bar.SetPos(m_nPage * 100 / kPagesPerBlock);
    ++m_nPage;
    return m_nPage == kPagesPerBlock ? StepOutcome::EndOk : StepOutcome::Continue;
}

int DeviceLink::SaveDirectory()
{
    if (!m_bPortSet)
        return 0;
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[DirectoryImage::kSize]());
    if (!buffer) {
        std::fputs(kNewFailed, stdout);
        return 0;
    }
    m_image.Seal(static_cast<int32_t>(std::time(nullptr)));
    std::memcpy(buffer.get(), m_image.Bytes(), DirectoryImage::kSize);
    SaveDirectoryStep save(this, buffer.get());
    const int result = Ui().RunTransfer(save);
    CloseLink();
    return result == kTransferOk ? 1 : 0;
}
