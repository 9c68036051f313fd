// Start-up as the program does it, on a simulated player: the splash, the
// port search with its profile, the window set, the first fill; and the
// program ending when no player is found and the user says No.

#include <gtest/gtest.h>

#include "SimulatedProgram.h"

#include "app/PortSetup.h"
#include "app/QuorlApp.h"
#include "frame/SplashWindow.h"
#include "link/DeviceLink.h"

namespace {

class TestPorts : public PortSetup {
public:
    explicit TestPorts(SimulatedPlayer& player) : m_player(player) {}
    void AttachPorts(DeviceLink& link) override { link.AttachPorts(&m_player); }
    bool LoadPortDriver() override { return true; }

private:
    SimulatedPlayer& m_player;
};

std::string ProgramProfile(const char* section, const char* entry)
{
    HKEY key = nullptr;
    std::string path = std::string("Software\\") + kProfileKey + "\\Mellifon\\" + section;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "(no key)";
    char value[256] = {};
    DWORD size = sizeof value - 1;
    const LONG read = RegQueryValueExA(key, entry, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return read == ERROR_SUCCESS ? value : "(no value)";
}

void ForgetProgramProfile()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, (std::string("Software\\") + kProfileKey + "\\Mellifon\\Port").c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, (std::string("Software\\") + kProfileKey + "\\Mellifon\\WindowsPos").c_str());
}

struct StartUp : ::testing::Test {
    void SetUp() override
    {
        ForgetProgramProfile();
        program.StoreSongs({"one.mp3", "two.mp3"});
        TheTestApp().m_pMainWnd = nullptr;
    }
    void TearDown() override
    {
        if (app && app->m_pMainWnd)
            app->m_pMainWnd->SendMessage(WM_CLOSE);
        DropQuitMessage();
        app.reset();
        g_deviceLink.AttachUserInterface(&program.ui);
        ForgetProgramProfile();
    }
    SimulatedProgram program;
    TestPorts ports{program.player};
    std::unique_ptr<CQuorlApp> app = std::make_unique<CQuorlApp>(ports);
};

TEST_F(StartUp, APlayerFoundShowsTheWindowWithItsSongs)
{
    ASSERT_TRUE(app->InitInstance());
    EXPECT_EQ(AfxGetApp(), app.get());
    EXPECT_EQ(ProgramProfile("Port", "Rio"), "888");
    auto* frame = dynamic_cast<CMainFrame*>(app->m_pMainWnd);
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->IsWindowVisible());
    EXPECT_FALSE(IsIconic(frame->m_hWnd));
    EXPECT_EQ(frame->GetWindowText(), "Quorl");
    auto* view = dynamic_cast<CQuorlView*>(frame->GetActiveView());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->GetListCtrl().GetItemCount(), 2);
    EXPECT_EQ(view->GetListCtrl().GetItemText(1, 0), "two.mp3");
    EXPECT_EQ(frame->m_statusBar.GetPaneText(1), "Songs:2");
    EXPECT_EQ(g_pSplash, nullptr); // gone after the first fill
    EXPECT_EQ(g_deviceLink.m_nBasePort, 0x378);
}

TEST_F(StartUp, ThePortThatAnsweredIsSavedOverAStaleOne)
{
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, (std::string("Software\\") + kProfileKey + "\\Mellifon\\Port").c_str(), 0,
                    nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    RegSetValueExA(key, "Rio", 0, REG_SZ, reinterpret_cast<const BYTE*>("632"), 4);
    RegCloseKey(key);
    ASSERT_TRUE(app->InitInstance());
    EXPECT_EQ(ProgramProfile("Port", "Rio"), "888");
}

TEST_F(StartUp, NoPlayerAsksAndTheProgramEndsOnNo)
{
    program.player.Faults().absent = true;
    bool splashGoneAtTheQuestion = false;
    MessageBoxAnswers answers({IDNO});
    answers.onBox = [&] { splashGoneAtTheQuestion = g_pSplash == nullptr; };
    EXPECT_FALSE(app->InitInstance());
    ASSERT_EQ(answers.texts.size(), 1u);
    EXPECT_EQ(answers.texts[0], "Cannot find Rio on any LPT port.Please connect Rio and press YES to retry.\n"
                                "Press NO to quit Mellifon.\n");
    EXPECT_EQ(answers.captions[0].rfind("Quorl  ", 0), 0u);
    EXPECT_TRUE(splashGoneAtTheQuestion);
    EXPECT_EQ(app->m_pMainWnd, nullptr);
}

} // namespace
