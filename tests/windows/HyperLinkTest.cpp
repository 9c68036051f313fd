// The about box and its links, with real mouse and key messages: what opens
// a link and what does not, the colours of its states, the fallback to the
// program registered for web pages, and the message when nothing opens it.

#include <gtest/gtest.h>

#include "SimulatedProgram.h"

#include <functional>
#include <vector>

#include "app/AboutBox.h"

namespace {

// Notes what it is asked to open and answers with the codes it is given.
class RecordingShell : public LinkShell {
public:
    int ShellOpen(const std::string& target, int) override
    {
        opened.push_back(target);
        return shellResult;
    }
    int RunCommandLine(const std::string& commandLine, int) override
    {
        commandLines.push_back(commandLine);
        return runResult;
    }
    std::vector<std::string> opened, commandLines;
    int shellResult = 42;
    int runResult = 33;
};

// Runs the about box modally and does one scripted thing on each tick of a
// timer, the last one pressing OK.
class AboutSession {
public:
    using Step = std::function<void(CAboutBox&)>;
    explicit AboutSession(std::vector<Step> steps) : m_steps(std::move(steps))
    {
        s_pSession = this;
        m_timer = SetTimer(nullptr, 0, 40, &AboutSession::Tick);
    }
    ~AboutSession()
    {
        KillTimer(nullptr, m_timer);
        s_pSession = nullptr;
    }
    INT_PTR Run() { return about.DoModal(); }
    CAboutBox about;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        AboutSession* self = s_pSession;
        if (!self || !self->about.m_hWnd || self->m_bBusy)
            return;
        self->m_bBusy = true; // a step may run a message box of its own
        if (self->m_nNext < self->m_steps.size())
            self->m_steps[self->m_nNext++](self->about);
        else
            PostMessage(self->about.m_hWnd, WM_COMMAND, IDOK, 0);
        self->m_bBusy = false;
    }
    static AboutSession* s_pSession;
    std::vector<Step> m_steps;
    size_t m_nNext = 0;
    bool m_bBusy = false;
    UINT_PTR m_timer;
};
AboutSession* AboutSession::s_pSession = nullptr;

COLORREF DrawnColour(CAboutBox& about, CHyperLink& link)
{
    HDC dc = GetDC(link.m_hWnd);
    about.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(link.m_hWnd));
    const COLORREF colour = GetTextColor(dc);
    ReleaseDC(link.m_hWnd, dc);
    return colour;
}

LPARAM Inside(CHyperLink& link)
{
    const RECT r = link.GetClientRect();
    return MAKELPARAM(r.right / 2, r.bottom / 2);
}

// HKEY_CLASSES_ROOT\.htm pointed at a page type of the test's, put back afterwards.
class PageRegistration {
public:
    explicit PageRegistration(const char* command)
    {
        char value[260] = {};
        LONG size = sizeof value;
        m_bHadValue = RegQueryValueA(HKEY_CLASSES_ROOT, ".htm", value, &size) == ERROR_SUCCESS;
        m_old = value;
        RegSetValueA(HKEY_CLASSES_ROOT, ".htm", REG_SZ, "MellifonTest.Page", 0);
        RegDeleteKeyA(HKEY_CLASSES_ROOT, "MellifonTest.Page\\shell\\open\\command");
        if (command)
            RegSetValueA(HKEY_CLASSES_ROOT, "MellifonTest.Page\\shell\\open\\command", REG_SZ, command, 0);
    }
    ~PageRegistration()
    {
        RegDeleteKeyA(HKEY_CLASSES_ROOT, "MellifonTest.Page\\shell\\open\\command");
        RegDeleteKeyA(HKEY_CLASSES_ROOT, "MellifonTest.Page\\shell\\open");
        RegDeleteKeyA(HKEY_CLASSES_ROOT, "MellifonTest.Page\\shell");
        RegDeleteKeyA(HKEY_CLASSES_ROOT, "MellifonTest.Page");
        if (m_bHadValue)
            RegSetValueA(HKEY_CLASSES_ROOT, ".htm", REG_SZ, m_old.c_str(), 0);
    }

private:
    bool m_bHadValue;
    std::string m_old;
};

struct HyperLinks : ::testing::Test {
    void SetUp() override
    {
        TheTestApp().m_pMainWnd = nullptr;
        CHyperLink::s_pShell = &shell;
    }
    void TearDown() override { CHyperLink::s_pShell = nullptr; }
    RecordingShell shell;
};

TEST_F(HyperLinks, TheAboutBoxShowsFourLinksFittedToTheirText)
{
    std::vector<std::string> texts;
    bool fitted = true;
    AboutSession session({[&](CAboutBox& about) {
        for (CHyperLink* link : {&about.m_linkWeb, &about.m_linkNews, &about.m_linkSupport, &about.m_linkDevelopment}) {
            texts.push_back(link->GetWindowText());
            // The left and top edges stay where the template put them.
            RECT place = {74, 0, 0, 0};
            MapDialogRect(about.m_hWnd, &place);
            RECT r = link->GetWindowRect();
            MapWindowPoints(nullptr, about.m_hWnd, reinterpret_cast<POINT*>(&r), 2);
            HDC dc = GetDC(link->m_hWnd);
            HGDIOBJ old = SelectObject(dc, link->m_underlineFont);
            SIZE extent = {};
            const std::string text = link->GetWindowText();
            GetTextExtentPoint32A(dc, text.c_str(), int(text.size()), &extent);
            SelectObject(dc, old);
            ReleaseDC(link->m_hWnd, dc);
            const RECT client = link->GetClientRect();
            fitted = fitted && r.left == place.left && client.right == extent.cx && client.bottom == extent.cy;
        }
    }});
    EXPECT_EQ(session.Run(), IDOK);
    EXPECT_EQ(texts, (std::vector<std::string>{kWebPage, kNewsGroup, kSupportAddress, kDevelopmentAddress}));
    EXPECT_TRUE(fitted);
    EXPECT_EQ(session.about.m_linkSupport.m_sTarget, std::string("mailto:") + kSupportAddress);
    EXPECT_EQ(session.about.m_linkDevelopment.m_sTarget, std::string("mailto:") + kDevelopmentAddress);
    EXPECT_EQ(session.about.m_linkWeb.m_sTarget, kWebPage);
    EXPECT_TRUE(session.about.m_linkWeb.m_nLinkFlags & CHyperLink::LinkUnderline);
}

TEST_F(HyperLinks, AClickOpensOnceAndColoursTheLink)
{
    COLORREF before = 0, engaged = 0, visited = 0;
    AboutSession session({[&](CAboutBox& about) {
        CHyperLink& link = about.m_linkWeb;
        before = DrawnColour(about, about.m_linkNews);
        link.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, Inside(link));
        link.SendMessage(WM_LBUTTONUP, 0, Inside(link));
        engaged = DrawnColour(about, link);
        SetFocus(about.GetDlgItem(IDOK));
        visited = DrawnColour(about, link);
    }});
    session.Run();
    EXPECT_EQ(shell.opened, std::vector<std::string>{kWebPage});
    EXPECT_EQ(before, RGB(0, 0, 255));
    EXPECT_EQ(engaged, RGB(0, 128, 128));
    EXPECT_EQ(visited, RGB(128, 0, 128));
    EXPECT_TRUE(session.about.m_linkWeb.m_bWasVisited);
}

TEST_F(HyperLinks, PressingThenLeavingBeforeTheReleaseOpensNothing)
{
    bool captured = false, releasedCapture = false;
    AboutSession session({[&](CAboutBox& about) {
        CHyperLink& link = about.m_linkSupport;
        link.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, Inside(link));
        link.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, Inside(link));
        captured = GetCapture() == link.m_hWnd && link.m_bPointerOver;
        link.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(2000, 2000));
        releasedCapture = GetCapture() != link.m_hWnd && !link.m_bPointerOver;
        // The release happens elsewhere: over the dialog.
        about.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    }});
    session.Run();
    EXPECT_TRUE(captured);
    EXPECT_TRUE(releasedCapture);
    EXPECT_TRUE(shell.opened.empty());
}

TEST_F(HyperLinks, TheSpaceBarOpensTheFocusedLink)
{
    AboutSession session({[&](CAboutBox& about) {
        // Tab goes from OK through the four links and back, as the dialog's keys go.
        HWND at = about.GetDlgItem(IDOK);
        for (CHyperLink* link : {&about.m_linkWeb, &about.m_linkNews, &about.m_linkSupport, &about.m_linkDevelopment}) {
            at = GetNextDlgTabItem(about.m_hWnd, at, FALSE);
            EXPECT_EQ(at, link->m_hWnd) << link->GetWindowText();
        }
        EXPECT_EQ(GetNextDlgTabItem(about.m_hWnd, at, FALSE), about.GetDlgItem(IDOK));
        SetFocus(about.m_linkNews.m_hWnd);
        about.m_linkNews.SendMessage(WM_KEYDOWN, VK_SPACE, 0);
        about.m_linkNews.SendMessage(WM_KEYDOWN, 'X', 0);
    }});
    session.Run();
    EXPECT_EQ(shell.opened, std::vector<std::string>{kNewsGroup});
}

TEST_F(HyperLinks, TheProgramForWebPagesIsTheFallback)
{
    PageRegistration page("\"C:\\Browser\\browse.exe\" -nohome \"%1\" -new");
    shell.shellResult = 31;
    AboutSession session({[&](CAboutBox& about) {
        about.m_linkWeb.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, Inside(about.m_linkWeb));
        about.m_linkWeb.SendMessage(WM_LBUTTONUP, 0, Inside(about.m_linkWeb));
    }});
    session.Run();
    EXPECT_EQ(shell.commandLines,
              std::vector<std::string>{std::string("\"C:\\Browser\\browse.exe\" -nohome  ") + kWebPage});
    EXPECT_TRUE(session.about.m_linkWeb.m_bWasVisited);
}

TEST_F(HyperLinks, NothingToOpenItSaysWhy)
{
    PageRegistration page(nullptr); // a page type with no open command
    shell.shellResult = 27;
    MessageBoxAnswers answers({IDOK});
    AboutSession session({[&](CAboutBox& about) {
        about.m_linkDevelopment.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, Inside(about.m_linkDevelopment));
        about.m_linkDevelopment.SendMessage(WM_LBUTTONUP, 0, Inside(about.m_linkDevelopment));
    }});
    session.Run();
    EXPECT_EQ(answers.texts,
              std::vector<std::string>{"Can't open link:\n\nThe filename association is\nincomplete or invalid."});
    EXPECT_TRUE(shell.commandLines.empty());
    EXPECT_FALSE(session.about.m_linkDevelopment.m_bWasVisited);
}

TEST_F(HyperLinks, FlagsThatClashAreRefused)
{
    CHyperLink link;
    EXPECT_EQ(link.ChangeLinkFlags(CHyperLink::LinkUnderline, CHyperLink::LinkUnderline, FALSE), 0);
    EXPECT_EQ(link.m_nLinkFlags, 0x15u);
    EXPECT_EQ(link.ChangeLinkFlags(CHyperLink::LinkFitText, CHyperLink::LinkPointerColour, FALSE), 1);
    EXPECT_EQ(link.m_nLinkFlags, 0x13u);
}

} // namespace
