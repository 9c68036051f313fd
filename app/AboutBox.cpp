#include "app/AboutBox.h"

#include "framework/DataExchange.h"
#include "res/resource.h"

const char* const kWebPage = "http://www.example.org/mellifon/";
const char* const kNewsGroup = "news://news.example.org/mellifon";
const char* const kSupportAddress = "mellifon-support@example.org";
const char* const kDevelopmentAddress = "mellifon@example.com";

BEGIN_MESSAGE_MAP(CAboutBox, CDialog)
END_MESSAGE_MAP()

CAboutBox::CAboutBox() : CDialog(IDD_ABOUTBOX) {}

void CAboutBox::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_LINK_DEVELOPMENT, m_linkDevelopment);
    DDX_Control(pDX, IDC_LINK_WEB, m_linkWeb);
    DDX_Control(pDX, IDC_LINK_SUPPORT, m_linkSupport);
    DDX_Control(pDX, IDC_LINK_NEWS, m_linkNews);
}

BOOL CAboutBox::OnInitDialog()
{
    CDialog::OnInitDialog();
    for (CHyperLink* link : {&m_linkWeb, &m_linkSupport, &m_linkNews, &m_linkDevelopment})
        link->ChangeLinkFlags(0, CHyperLink::LinkUnderline, TRUE);

    m_linkWeb.SetLinkText(kWebPage);
    m_linkSupport.SetLinkText(kSupportAddress);
    m_linkDevelopment.SetLinkText(kDevelopmentAddress);
    m_linkNews.SetLinkText(kNewsGroup);

    m_linkWeb.SetTarget(kWebPage);
    m_linkSupport.SetTarget(std::string("mailto:") + kSupportAddress);
    m_linkDevelopment.SetTarget(std::string("mailto:") + kDevelopmentAddress);
    m_linkNews.SetTarget(kNewsGroup);
    return TRUE;
}
