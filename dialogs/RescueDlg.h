#pragma once
// Reading the songs' chain links from the player's memory for a rescue.

#include "dialogs/TransferDlg.h"
#include "res/resource.h"
#include "storage/safety/Rescue.h"

class CRescueDlg : public CTransferDlg {
public:
    explicit CRescueDlg(RescueStep& step) : CTransferDlg(IDD_RESCUE, step) {}
};
