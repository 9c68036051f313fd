#pragma once
// Storing a song on the player: a block every 50 ms.

#include "dialogs/TransferDlg.h"
#include "res/resource.h"
#include "storage/songs/Upload.h"

class CUploadDlg : public CTransferDlg {
public:
    explicit CUploadDlg(UploadStep& step) : CTransferDlg(IDD_UPLOAD, step) {}
};
