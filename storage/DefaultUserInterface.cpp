#include <cstdio>

#include "link/DeviceLink.h"
#include "storage/UserInterface.h"
#include "format/SongName.h"

int TransferPeriodMs(TransferKind kind)
{
    switch (kind) {
    case TransferKind::SaveDirectory:
        return 10;
    case TransferKind::Upload:
        return 50;
    case TransferKind::Download:
        return 500;
    case TransferKind::Rescue:
        return 10;
    case TransferKind::Convert:
        return 10;
    }
    return 50;
}

const SongNameText& UserInterface::Names() const
{
    static const Utf8SongNames s_utf8Names;
    return s_utf8Names;
}

namespace {
// Until a front end attaches itself: messages still reach someone, nothing
// is asked, and no transfer can run.
class NoUserInterface : public UserInterface {
public:
    void ShowMessage(const std::string& text) override { std::fputs(text.c_str(), stderr); }
    bool AskYesNo(const std::string&) override { return false; }
    int RunTransfer(TransferStep&) override { return kTransferNotCreated; }
    void ShowProgress(int, int) override {}
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
};

NoUserInterface s_noUserInterface;
}

UserInterface& DeviceLink::Ui() const
{
    return m_pUi ? *m_pUi : s_noUserInterface;
}
