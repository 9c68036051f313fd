#pragma once
// Storing a song on the player: a block every 50 ms.

#include "dialogs/TransferDlg.h"
#include "res/resource.h"

class CUploadDlg : public CTransferDlg {
public:
    explicit CUploadDlg(TransferStep& step) : CTransferDlg(IDD_UPLOAD, step) {}
};
