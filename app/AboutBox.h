#pragma once
// The about box: the program's icon, name and version, and four links.

#include "app/HyperLink.h"
#include "framework/Dialog.h"

extern const char* const kWebPage;
extern const char* const kNewsGroup;
extern const char* const kSupportAddress;
extern const char* const kDevelopmentAddress;

class CAboutBox : public CDialog {
    DECLARE_MESSAGE_MAP()

public:
    CAboutBox();

    CHyperLink m_linkDevelopment;
    CHyperLink m_linkWeb;
    CHyperLink m_linkSupport;
    CHyperLink m_linkNews;

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
};
