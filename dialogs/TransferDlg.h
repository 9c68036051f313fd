#pragma once
// What the three transfer dialogs share: the animation playing, the progress
// bar, timer id 1 with the transfer's period, and one step of the transfer
// on each tick. The dialog ends as the step says, or when the user cancels
// between two steps (if the transfer allows it).

#include "framework/AnimateCtrl.h"
#include "framework/Dialog.h"
#include "framework/ProgressCtrl.h"
#include "storage/UserInterface.h"

class CTransferDlg : public CDialog {
    DECLARE_MESSAGE_MAP()

public:
    CTransferDlg(UINT templateId, TransferStep& step) : CDialog(templateId), m_step(step) {}

    CAnimateCtrl m_animation;
    CProgressCtrl m_progress;

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;

    int Ticks() const { return m_nTicks; }

protected:
    void OnTimer(UINT_PTR id);

private:
    TransferStep& m_step;
    bool m_bInStep = false;
    int m_nTicks = 0;
};
