#pragma once
// File > Sync with playlist...: the plan of a sync before anything is
// written. OK ("Sync", or "Sync the head that fits" when the list does not
// fit) carries it out; Cancel leaves the player as it is.

#include "framework/Dialog.h"
#include "commands/PlannedSync.h"

class CSyncDlg : public CDialog {
public:
    CSyncDlg(const SyncPlanPage& page, bool fits);

    BOOL OnInitDialog() override;

    SyncPlanPage m_page;
    bool m_bFits;

private:
    // Wide enough to scroll to the end of the longest line.
    void SetLinesExtent();
};
