#pragma once
// Copying a song from the player: a block every 500 ms.

#include "dialogs/TransferDlg.h"
#include "res/resource.h"

class CDownloadDlg : public CTransferDlg {
public:
    explicit CDownloadDlg(TransferStep& step) : CTransferDlg(IDD_DOWNLOAD, step) {}
};
