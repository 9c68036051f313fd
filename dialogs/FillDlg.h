#pragma once
// File > Fill Rio from a folder...: how the songs are chosen (by chance,
// newest first, whole albums) and whether the songs on Rio stay; its plan
// follows in the sync's plan dialog.

#include <string>

#include "framework/Dialog.h"
#include "commands/FillChoice.h"

class CFillDlg : public CDialog {
public:
    CFillDlg(const std::string& source, const FillChoices& choices);

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;

    std::string m_source;
    FillChoices m_choices;
};
