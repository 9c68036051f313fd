#pragma once
// Converting a file to what Rio plays before it is uploaded: a slice of
// sound every tick.

#include "dialogs/TransferDlg.h"
#include "res/resource.h"

class CConvertDlg : public CTransferDlg {
public:
    explicit CConvertDlg(TransferStep& step) : CTransferDlg(IDD_CONVERTING, step) {}
};
