#pragma once
// File > Sync with playlist...: the plan of a sync before anything is
// written. OK ("Sync", or "Sync the head that fits" when the list does not
// fit) carries it out; Cancel leaves the player as it is.

#include "framework/Dialog.h"
#include "commands/PlannedSync.h"

class CSyncDlg : public CDialog {
public:
    CSyncDlg(const SyncPlanPage& page, bool fits);
    // The plan of a fill: its own caption and button.
    CSyncDlg& AsFill()
    {
        m_bFill = true;
        return *this;
    }

    BOOL OnInitDialog() override;

    SyncPlanPage m_page;
    bool m_bFits;
    bool m_bFill = false;

private:
    // Wide enough to scroll to the end of the longest line.
    void SetLinesExtent();
};
