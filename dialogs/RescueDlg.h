#pragma once
// Reading the songs' chain links from the player's memory for a rescue.

#include "dialogs/TransferDlg.h"
#include "res/resource.h"

class CRescueDlg : public CTransferDlg {
public:
    explicit CRescueDlg(TransferStep& step) : CTransferDlg(IDD_RESCUE, step) {}
};
