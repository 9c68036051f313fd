#include "storage/PlayerHold.h"

#include "link/PlayerLock.h"
#include "storage/StorageTexts.h"
#include "storage/UserInterface.h"

bool DeviceLink::HoldPlayer()
{
    if (m_nHolds > 0 || !m_pLock) {
        ++m_nHolds;
        return true;
    }
    LockResult result;
    {
        WaitCursor wait(Ui());
        result = m_pLock->Acquire(m_nBasePort, kPlayerLockWaitMs);
    }
    if (result == LockResult::Busy)
        Ui().ShowMessage(kPlayerBusy);
    if (result != LockResult::Held)
        return false;
    ++m_nHolds;
    return true;
}

void DeviceLink::LetGoOfPlayer()
{
    if (m_nHolds > 0 && --m_nHolds == 0 && m_pLock)
        m_pLock->Release();
}
