// Reading the directory from block 0, and resetting the image to empty.

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "link/DeviceLink.h"
#include "link/PageFormat.h"
#include "storage/StorageTexts.h"
#include "storage/UserInterface.h"

int DeviceLink::InitializeDirectory()
{
    if (!m_bPortSet)
        return 0;
    m_image.SetEmpty();
    return 1;
}

int DeviceLink::LoadDirectory()
{
    WaitCursor wait(Ui());
    if (!m_bPortSet)
        return 0;
    // Cleared first, so a page whose read failed comes in as zeros.
    std::unique_ptr<uint8_t[]> scratch(new (std::nothrow) uint8_t[DirectoryImage::kSize]());
    if (!scratch) {
        std::fputs(kNewFailed, stdout);
        return 0;
    }

    int result = 0;
    bool opened = false;
    for (int call = 0; call < 3 && !opened; ++call)
        opened = OpenLink() != 0;
    if (!opened) {
        Ui().ShowMessage(kNotConnected);
    } else {
        for (int page = 0; page < kPagesPerBlock; ++page) {
            ReadPage(page, scratch.get() + kPageSize * page, 0);
            Ui().ShowProgress(page, kPagesPerBlock);
        }
        result = 1;
        CloseLink();
        std::memcpy(m_image.Bytes(), scratch.get(), DirectoryImage::kSize);
        if (!m_image.ChecksumsValid())
            Ui().ShowMessage(kInvalidChecksum);
    }
    scratch.reset();
    CloseLink();
    Ui().ShowProgress(-1, -1);
    return result;
}
