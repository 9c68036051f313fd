#pragma once
// The main window's status bar: five panes, and a progress control that lies
// over pane 0 while the directory is read.

#include <string>

#include "framework/ProgressCtrl.h"
#include "framework/StatusBar.h"

class CProgressStatusBar : public CStatusBar {
    DECLARE_MESSAGE_MAP()

public:
    CProgressCtrl m_progress;
    int m_nProgressPane = -1;

    // The bar (unless it exists already) and, afresh, its progress control over `progressPane`.
    int Create(HWND parent, int progressPane);
    // -1 hides the control; a range above 0 is set first.
    virtual void ShowProgress(int position, int range);
    // Sets a pane's text and repaints at once, even while the program is busy.
    virtual void SetPaneString(const std::string& text, int pane);
    int TextWidth(const std::string& text);

protected:
    void OnSize(UINT type, int cx, int cy);

private:
    void PlaceProgress();
};
