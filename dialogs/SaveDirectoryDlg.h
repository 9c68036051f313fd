#pragma once
// Writing the directory to the player: an erase, then a page every 10 ms.
// It has no Cancel button, and Esc or the close box do not stop it: a
// directory half written is every song lost.

#include "dialogs/TransferDlg.h"
#include "res/resource.h"

class CSaveDirectoryDlg : public CTransferDlg {
public:
    explicit CSaveDirectoryDlg(TransferStep& step) : CTransferDlg(IDD_SAVE_DIRECTORY, step) {}
};
