#include "SimulatedProgram.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "../portable/TestFiles.h"
#include "framework/SingleDocTemplate.h"
#include "link/DeviceLink.h"
#include "format/PageFormat.h"
#include "simulator/FactoryImage.h"
#include "songlist/QuorlDoc.h"

namespace {
MessageBoxAnswers* s_pAnswers = nullptr;

struct BoxSearch {
    HWND found = nullptr;
};

// A message box: a dialog of this thread with a text, and none of ours
// (the program's own dialogs have their objects attached).
BOOL CALLBACK FindMessageBox(HWND hWnd, LPARAM lParam)
{
    char name[32] = {};
    GetClassNameA(hWnd, name, sizeof name);
    if (strcmp(name, "#32770") == 0 && IsWindowVisible(hWnd) && !CWnd::FromHandlePermanent(hWnd) &&
        GetDlgItem(hWnd, 0xFFFF)) {
        reinterpret_cast<BoxSearch*>(lParam)->found = hWnd;
        return FALSE;
    }
    return TRUE;
}
}

MessageBoxAnswers::MessageBoxAnswers(std::vector<int> buttons) : m_buttons(std::move(buttons))
{
    s_pAnswers = this;
    m_timer = SetTimer(nullptr, 0, 30, &MessageBoxAnswers::Tick);
}

MessageBoxAnswers::~MessageBoxAnswers()
{
    KillTimer(nullptr, m_timer);
    s_pAnswers = nullptr;
}

void CALLBACK MessageBoxAnswers::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (s_pAnswers)
        s_pAnswers->AnswerOpenBox();
}

void MessageBoxAnswers::AnswerOpenBox()
{
    BoxSearch search;
    EnumThreadWindows(GetCurrentThreadId(), &FindMessageBox, reinterpret_cast<LPARAM>(&search));
    if (!search.found || m_buttons.empty())
        return;
    char text[1024] = {}, caption[256] = {};
    GetDlgItemTextA(search.found, 0xFFFF, text, sizeof text);
    GetWindowTextA(search.found, caption, sizeof caption);
    texts.push_back(text);
    captions.push_back(caption);
    if (onBox)
        onBox();
    const int button = m_buttons.front();
    m_buttons.erase(m_buttons.begin());
    PostMessage(search.found, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}

SimulatedProgram::SimulatedProgram(int blocks) : flash(blocks), player(flash, 0x378)
{
    TheTestApp().ClearProfile();
    MakeFactoryFresh(flash);
    player.UseVirtualClock(true);
    g_deviceLink.AttachPorts(&player);
    g_deviceLink.AttachUserInterface(&ui);
    g_deviceLink.SetPort(0x378);
    g_deviceLink.m_image.SetEmpty();
    const auto base = std::filesystem::temp_directory_path() /
                      ("mellifon-program-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(base);
    std::filesystem::create_directories(base);
    folder = base.string();
    std::string error;
    copyFolder = OpenCopyFolder(folder + "\\copies", &error);
    copies = std::make_unique<DirectoryCopies>(*copyFolder);
    g_deviceLink.AttachDirectoryCopies(copies.get());
}

SimulatedProgram::~SimulatedProgram()
{
    Close();
    g_deviceLink.AttachDirectoryCopies(nullptr);
    g_deviceLink.AttachPorts(nullptr);
    g_deviceLink.AttachUserInterface(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

std::string SimulatedProgram::TempFile(const std::string& name, size_t size)
{
    const std::string path = (std::filesystem::path(folder) / name).string();
    std::ofstream file(path, std::ios::binary);
    const unsigned char header[4] = {0xFF, 0xFB, 0x90, 0x64};
    for (size_t i = 0; i < size; ++i)
        file.put(char(i < 4 ? header[i] : (i * 7) & 0xFF));
    return path;
}

// The name as the code page has it: std::filesystem would make it UTF-8.
std::string SimulatedProgram::Mp3File(const std::string& name, size_t frames)
{
    const std::string path = folder + "\\" + name;
    WriteFile(path, Mp3Frames(frames));
    return path;
}

// A drop handle as the shell makes it: DROPFILES, then the paths, each with
// its NUL, and one more NUL.
void SimulatedProgram::Drop(const std::vector<std::string>& paths)
{
    size_t size = sizeof(DROPFILES) + 1;
    for (const auto& p : paths)
        size += p.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, size);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = FALSE;
    char* at = reinterpret_cast<char*>(drop) + sizeof(DROPFILES);
    for (const auto& p : paths) {
        std::memcpy(at, p.c_str(), p.size() + 1);
        at += p.size() + 1;
    }
    GlobalUnlock(memory);
    view->SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(memory));
}

void SimulatedProgram::StoreSongs(const std::vector<std::string>& names, size_t size)
{
    g_deviceLink.InitializeDirectory();
    g_deviceLink.LoadDirectory();
    for (const std::string& name : names) {
        const std::string path = TempFile(name, size);
        ASSERT_EQ(g_deviceLink.UploadSong(path.c_str()), 1);
        g_deviceLink.SaveDirectory();
    }
}

void SimulatedProgram::WriteDirectory(const DirectoryImage& image)
{
    for (uint32_t unit = 0; unit < 4; ++unit)
        flash.EraseUnit(unit * 16);
    for (int page = 0; page < 64; ++page) {
        uint8_t raw[528];
        std::memcpy(raw, image.Bytes() + 512 * page, 512);
        const auto spare = SpareBytes(0, 0, PageChecksum(raw));
        std::memcpy(raw + 512, spare.data(), 16);
        flash.ProgramPage(uint32_t(page), raw);
    }
}

void SimulatedProgram::Open()
{
    CWinApp& app = TheTestApp();
    app.m_pMainWnd = nullptr;
    app.AddDocTemplate(std::make_unique<CSingleDocTemplate>(
        IDR_MAINFRAME, [] { return new CQuorlDoc; }, [] { return new CMainFrame; },
        [] { return new CQuorlView; }));
    ASSERT_NE(app.DocTemplate()->OpenDocumentFile(nullptr), nullptr);
    frame = dynamic_cast<CMainFrame*>(app.m_pMainWnd);
    ASSERT_NE(frame, nullptr);
    view = dynamic_cast<CQuorlView*>(frame->GetActiveView());
    ASSERT_NE(view, nullptr);
    SetWindowPos(frame->m_hWnd, HWND_TOP, 0, 0, 800, 500, 0);
    frame->ShowWindow(SW_SHOW);
    frame->UpdateWindow();
    PumpFor(30);
    Saves();
}

void SimulatedProgram::Close()
{
    if (frame) {
        frame->SendMessage(WM_CLOSE);
        frame = nullptr;
        view = nullptr;
        DropQuitMessage();
    }
}

std::vector<std::string> SimulatedProgram::RowNames()
{
    std::vector<std::string> names;
    for (int row = 0; row < List().GetItemCount(); ++row)
        names.push_back(List().GetItemText(row, 0));
    return names;
}

std::vector<std::string> SimulatedProgram::NamesOnPlayer()
{
    auto image = std::make_unique<DirectoryImage>(g_deviceLink.m_image);
    g_deviceLink.InitializeDirectory();
    g_deviceLink.LoadDirectory();
    std::vector<std::string> names;
    for (int slot = 0; slot < g_deviceLink.m_image.entryCount() && slot < 60; ++slot)
        names.push_back(g_deviceLink.m_image.Entry(slot).name());
    g_deviceLink.m_image = *image;
    return names;
}

// A save is one erase of block 0.
int SimulatedProgram::Saves()
{
    int saves = 0;
    for (const auto& op : player.Operations())
        saves += op.kind == FlashOperation::Erase && op.page == 0;
    player.ClearLogs();
    return saves;
}

std::unique_ptr<DirectoryImage> DirectoryNamed(const std::vector<std::string>& names, int claimed, bool seal)
{
    auto image = std::make_unique<DirectoryImage>();
    image->SetEmpty();
    const uint8_t header[4] = {0xFF, 0xFB, 0x90, 0x64};
    for (size_t slot = 0; slot < names.size(); ++slot) {
        DirectoryEntry e = image->Entry(int(slot));
        e.SetFirstBlock(uint16_t(slot + 1));
        e.SetBlockCount(1);
        e.SetSize(1000);
        e.SetLastBlockBytes(1000);
        e.SetAudioHeaderFromData(header);
        e.SetName(names[slot]);
        image->SetBlockUse(unsigned(slot + 1), 0);
    }
    if (!names.empty())
        image->SetBlockUse(0, 0);
    image->SetEntryCount(uint16_t(claimed > int(names.size()) ? claimed : int(names.size())));
    image->SetUsedBlocks(uint16_t(names.empty() ? 0 : names.size() + 1));
    image->SetFreeBlocks(uint16_t(1024 - image->usedBlocks()));
    if (seal)
        image->Seal(0);
    return image;
}
