#pragma once
// File > Conversion...: what an upload does to each file, as the tool's
// options say it (bit rate, speech, re-encoding MP3s, as is, tags, names).

#include "framework/Dialog.h"
#include "commands/UploadPlan.h"

class CConversionDlg : public CDialog {
    DECLARE_MESSAGE_MAP()

public:
    explicit CConversionDlg(const UploadOptions& options);

    UploadOptions m_options;

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

protected:
    void OnBitRate();
    void OnSpeech();
    void OnAsIs();

private:
    void SelectKbps(int kbps);
    int SelectedKbps() const;
    // The hint beside the bit rate follows the choice.
    void ShowBitRateHint();
    // As is converts nothing and keeps every tag: those choices rest.
    void EnableConversionChoices();
};
