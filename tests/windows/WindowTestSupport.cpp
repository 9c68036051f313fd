#include "WindowTestSupport.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace {
const char* const kTestKey = "Mellifon Tests";
}

TestApp::TestApp() : CWinApp("Mellifon")
{
    SetRegistryKey(kTestKey);
}

namespace {
void DeleteKeyTree(HKEY parent, const std::string& name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    char child[256];
    DWORD size = sizeof child;
    while (RegEnumKeyExA(key, 0, child, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
        DeleteKeyTree(key, child);
        size = sizeof child;
    }
    RegCloseKey(key);
    RegDeleteKeyA(parent, name.c_str());
}
}

void TestApp::ClearProfile()
{
    DeleteKeyTree(HKEY_CURRENT_USER, std::string("Software\\") + kTestKey);
}

TestApp& TheTestApp()
{
    static TestApp* app = [] {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_COOL_CLASSES | ICC_BAR_CLASSES |
                                                              ICC_ANIMATE_CLASS | ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
        return new TestApp;
    }();
    return *app;
}

bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > milliseconds)
            return false;
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                continue;
            if (!TheTestApp().PreTranslateMessage(&msg)) {
                TranslateMessage(&msg);
                DispatchMessage(&msg);
            }
        }
        Sleep(1);
    }
    return true;
}

void PumpFor(DWORD milliseconds)
{
    PumpUntil([] { return false; }, milliseconds);
}

void DropQuitMessage()
{
    MSG msg;
    while (PeekMessage(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

std::string ClassNameOf(HWND hWnd)
{
    char name[128] = {};
    GetClassNameA(hWnd, name, sizeof name);
    return name;
}

namespace {

// A message box nobody answers would hold the whole run until CTest gives
// up. This watch closes one that has stood for twenty seconds, names the
// test it came up in, and makes the run fail.
class UnansweredBoxWatch : public ::testing::EmptyTestEventListener {
public:
    UnansweredBoxWatch() : m_mainThread(GetCurrentThreadId())
    {
        std::thread([this] { Watch(); }).detach();
    }
    void OnTestEnd(const ::testing::TestInfo& test) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_closed.empty())
            return;
        std::fprintf(stderr, "%s.%s: an unanswered message box was closed: %s\n", test.test_suite_name(),
                     test.name(), m_closed.c_str());
        m_closed.clear();
        m_failed = true;
    }
    void OnTestProgramEnd(const ::testing::UnitTest&) override
    {
        if (m_failed)
            std::_Exit(1);
    }

private:
    static BOOL CALLBACK FindBox(HWND hWnd, LPARAM found)
    {
        if (ClassNameOf(hWnd) == "#32770" && IsWindowVisible(hWnd) && GetDlgItem(hWnd, 0xFFFF)) {
            *reinterpret_cast<HWND*>(found) = hWnd;
            return FALSE;
        }
        return TRUE;
    }
    void Watch()
    {
        HWND seen = nullptr;
        int seconds = 0;
        for (;;) {
            Sleep(1000);
            HWND box = nullptr;
            EnumThreadWindows(m_mainThread, &FindBox, reinterpret_cast<LPARAM>(&box));
            seconds = box && box == seen ? seconds + 1 : 0;
            seen = box;
            if (seconds < 20)
                continue;
            char text[1024] = {};
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_closed = text;
            }
            PostMessage(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            PostMessage(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
            PostMessage(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            seconds = 0;
        }
    }

    DWORD m_mainThread;
    std::mutex m_mutex;
    std::string m_closed;
    bool m_failed = false;
};

const bool s_watching = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new UnansweredBoxWatch);
    return true;
}();

}

void SaveWindowShot(HWND window, const std::string& name)
{
    const char* folder = std::getenv("MELLIFON_WINDOW_SHOTS");
    if (!folder || !*folder)
        return;
    // Its controls drawn, as a person would first see it.
    PumpFor(150);
    RECT r = {};
    if (!IsWindow(window) || !GetWindowRect(window, &r))
        return;
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    GdiFlush();
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height; // bottom-up, as a .bmp file keeps its rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, previous);
    const DWORD rowBytes = DWORD((width * 3 + 3) & ~3);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + rowBytes * DWORD(height);
    if (FILE* out = std::fopen((std::string(folder) + "\\" + name + ".bmp").c_str(), "wb")) {
        std::fwrite(&file, sizeof file, 1, out);
        std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
        std::fwrite(bits, 1, rowBytes * DWORD(height), out);
        std::fclose(out);
    }
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}
