// An upload through the window as the tool plans it: the question when the
// batch does not fit, the conversion's choices remembered in the profile,
// and a FLAC that lands as an MPEG-1 Layer 3 song, or is cancelled while it
// converts.

#include <gtest/gtest.h>

#include <cctype>

#include "SimulatedProgram.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "../portable/TestFiles.h"
#include "dialogs/ConversionDlg.h"
#include "link/DeviceLink.h"
#include "res/resource.h"

namespace {

// The transfer dialogs as they open, before their first step: their texts,
// and a hand that may act on them.
class TransferDialogs {
public:
    TransferDialogs()
    {
        s_pThis = this;
        m_hook = SetWindowsHookExA(WH_CBT, &Hook, nullptr, GetCurrentThreadId());
    }
    ~TransferDialogs()
    {
        UnhookWindowsHookEx(m_hook);
        s_pThis = nullptr;
    }
    bool Saw(const std::string& text) const
    {
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
    bool Saw(const std::string& start, const std::string& end) const
    {
        return std::any_of(texts.begin(), texts.end(), [&](const std::string& t) {
            return t.size() >= start.size() + end.size() && t.rfind(start, 0) == 0 &&
                   t.compare(t.size() - end.size(), end.size(), end) == 0;
        });
    }
    std::vector<std::string> texts;
    std::function<void(HWND, const std::string&)> onOpen;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        HWND text = code == HCBT_ACTIVATE ? GetDlgItem(reinterpret_cast<HWND>(wParam), IDC_TRANSFER_TEXT) : nullptr;
        if (text && s_pThis) {
            char shown[512] = {};
            GetWindowTextA(text, shown, sizeof shown);
            s_pThis->texts.push_back(shown);
            if (s_pThis->onOpen)
                s_pThis->onOpen(reinterpret_cast<HWND>(wParam), shown);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static TransferDialogs* s_pThis;
    HHOOK m_hook;
};
TransferDialogs* TransferDialogs::s_pThis = nullptr;

// A picture of a transfer dialog a moment after it opens, while it runs.
HWND g_transferShown = nullptr;
std::string g_transferShot;

void CALLBACK OnTransferShotTick(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    if (IsWindow(g_transferShown))
        SaveWindowShot(g_transferShown, g_transferShot);
}

void ShootEachTransfer(TransferDialogs& dialogs)
{
    dialogs.onOpen = [](HWND dialog, const std::string& text) {
        g_transferShown = dialog;
        std::string kind = text.substr(0, text.find(' '));
        for (char& c : kind)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        g_transferShot = "transfer-" + kind;
        SetTimer(nullptr, 0, 30, &OnTransferShotTick);
    };
}

// Conversions write their temporary files here for the test's life. TMP
// ends in a backslash, as it often does, and as Windows's stat refuses.
class OwnTemporaryFolder {
public:
    explicit OwnTemporaryFolder(const std::string& folder) : m_folder(folder)
    {
        const char* previous = std::getenv("TMP");
        m_previous = previous ? previous : "";
        std::filesystem::create_directories(folder);
        _putenv_s("TMP", (folder + "\\").c_str());
    }
    ~OwnTemporaryFolder() { _putenv_s("TMP", m_previous.c_str()); }
    bool Empty() const { return std::filesystem::is_empty(m_folder); }

private:
    std::string m_folder;
    std::string m_previous;
};

void RunConversionDialog(SimulatedProgram& program, std::function<void(CConversionDlg&)> act)
{
    const bool opened = ModalHand<CConversionDlg>::Act(
        [&] { program.frame->SendMessage(WM_COMMAND, MAKEWPARAM(ID_CONVERSION, 0), 0); },
        [&](CConversionDlg& dialog) {
            SaveWindowShot(dialog.m_hWnd, "conversion");
            act(dialog);
        });
    EXPECT_TRUE(opened) << "the dialog did not open";
}

void Click(CConversionDlg& dialog, int id)
{
    SendMessage(dialog.GetDlgItem(id), BM_CLICK, 0, 0);
}

bool Checked(CConversionDlg& dialog, int id)
{
    return IsDlgButtonChecked(dialog.m_hWnd, id) == BST_CHECKED;
}

std::string Shown(CConversionDlg& dialog, int id)
{
    char text[96] = {};
    GetWindowTextA(dialog.GetDlgItem(id), text, sizeof text);
    return text;
}

std::string RateShown(CConversionDlg& dialog)
{
    return Shown(dialog, IDC_BITRATE);
}

// As a user's choice in the list: the selection, and the box's word of it.
void ChooseRate(CConversionDlg& dialog, const char* text)
{
    HWND rates = dialog.GetDlgItem(IDC_BITRATE);
    SendMessageA(rates, CB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(text));
    SendMessageA(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_BITRATE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(rates));
}

std::string Setting(const char* entry)
{
    return TheTestApp().GetProfileString("Settings", entry);
}

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::string FlacFile(SimulatedProgram& program)
{
    const std::string path = program.folder + "\\tone.flac";
    WriteFile(path, ReadFile(std::string(MELLIFON_AUDIO_FILES) + "/tone.flac"));
    return path;
}

// On a 1 MiB player of 32 blocks: 12 blocks, then 25 that no longer fit,
// then 1 that does, and a file that is no audio.
TEST(PlannedUpload, WhatDoesNotFitIsAskedAboutAndNoStoresNothing)
{
    SimulatedProgram program(32);
    program.Open();
    const std::vector<std::string> files = {program.Mp3File("big.mp3", 942), program.Mp3File("huge.mp3", 1964),
                                            program.Mp3File("Caf\xE9.mp3", 70), program.TempFile("notes.txt", 3000)};
    {
        MessageBoxAnswers answers({IDNO});
        program.Drop(files);
        ASSERT_EQ(answers.texts.size(), 1u);
        const std::string& question = answers.texts[0];
        EXPECT_EQ(question.rfind("This file does not fit on the player:\n  huge.mp3 (0.8 MB)\n", 0), 0u) << question;
        EXPECT_TRUE(Has(question, " MB missing.\n\nStore the files that fit, in order?")) << question;
        EXPECT_FALSE(Has(question, "big.mp3")) << question;
    }
    EXPECT_EQ(program.Saves(), 0);
    EXPECT_TRUE(program.RowNames().empty());
    EXPECT_EQ(program.Pane(0), "Nothing was stored.");

    MessageBoxAnswers answers({IDYES, IDOK});
    program.Drop(files);
    ASSERT_EQ(answers.texts.size(), 2u);
    const std::string& end = answers.texts[1];
    EXPECT_EQ(end.rfind("huge.mp3: does not fit on the player (25 blocks)\nnotes.txt: ", 0), 0u) << end;
    EXPECT_TRUE(Has(end, "\n\nStored 2 of 4 songs, ")) << end;
    EXPECT_TRUE(Has(end, "; 2 refused.")) << end;
    EXPECT_EQ(program.Saves(), 2);
    // Shown and stored in the window's code page, also by the list filled
    // within the batch.
    EXPECT_EQ(program.RowNames(), (std::vector<std::string>{"big.mp3", "Caf\xE9.mp3"}));
    EXPECT_EQ(program.NamesOnPlayer(), (std::vector<std::string>{"big.mp3", "Caf\xE9.mp3"}));
    EXPECT_EQ(program.Pane(0).rfind("Stored 2 of 4 songs, ", 0), 0u) << program.Pane(0);
}

TEST(PlannedUpload, TheConversionChoicesAreRememberedAndAFlacLandsAsMp3)
{
    SimulatedProgram program;
    OwnTemporaryFolder temporary(program.folder + "\\tmp");
    program.Open();
    RunConversionDialog(program, [](CConversionDlg& dialog) {
        EXPECT_EQ(RateShown(dialog), "128 kbps");
        EXPECT_EQ(Shown(dialog, IDC_BITRATE_HINT), "128 kbps: about 0.9 MB a minute");
        for (int id : {IDC_SPEECH, IDC_REENCODE, IDC_AS_IS, IDC_STRIP_TAGS, IDC_NAME_FROM_TAGS})
            EXPECT_FALSE(Checked(dialog, id)) << id;
        ChooseRate(dialog, "160 kbps");
        EXPECT_EQ(Shown(dialog, IDC_BITRATE_HINT), "160 kbps: about 1.1 MB a minute");
        Click(dialog, IDC_SPEECH);
        EXPECT_EQ(RateShown(dialog), "64 kbps");
        EXPECT_EQ(Shown(dialog, IDC_BITRATE_HINT), "64 kbps, mono: about 0.5 MB a minute");
        Click(dialog, IDC_NAME_FROM_TAGS);
        Click(dialog, IDOK);
    });
    EXPECT_EQ(Setting("Bitrate"), "64");
    EXPECT_EQ(Setting("Speech"), "1");
    EXPECT_EQ(Setting("NameFromTags"), "1");
    EXPECT_EQ(Setting("AsIs"), "0");

    // Shown again as chosen; As is sets the conversion's choices aside, and
    // Cancel keeps what was remembered.
    RunConversionDialog(program, [](CConversionDlg& dialog) {
        EXPECT_EQ(RateShown(dialog), "64 kbps");
        EXPECT_EQ(Shown(dialog, IDC_BITRATE_HINT), "64 kbps, mono: about 0.5 MB a minute");
        EXPECT_TRUE(Checked(dialog, IDC_SPEECH));
        EXPECT_TRUE(Checked(dialog, IDC_NAME_FROM_TAGS));
        EXPECT_FALSE(Checked(dialog, IDC_REENCODE));
        Click(dialog, IDC_AS_IS);
        EXPECT_FALSE(IsWindowEnabled(dialog.GetDlgItem(IDC_BITRATE)));
        EXPECT_FALSE(IsWindowEnabled(dialog.GetDlgItem(IDC_STRIP_TAGS)));
        EXPECT_TRUE(IsWindowEnabled(dialog.GetDlgItem(IDC_NAME_FROM_TAGS)));
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(Setting("AsIs"), "0");

    TransferDialogs dialogs;
    ShootEachTransfer(dialogs);
    MessageBoxAnswers answers({IDOK});
    program.Drop({FlacFile(program)});
    EXPECT_TRUE(answers.texts.empty()) << answers.texts[0];
    EXPECT_TRUE(dialogs.Saw("Converting 1 of 1:\ntone.flac")) << ::testing::PrintToString(dialogs.texts);
    EXPECT_TRUE(dialogs.Saw("Uploading 1 of 1 (about ", " on a real player):\ntone.flac"))
        << ::testing::PrintToString(dialogs.texts);
    // No tags: named after the file, without its extension.
    ASSERT_EQ(program.RowNames(), std::vector<std::string>{"tone"});
    EXPECT_EQ(program.List().GetItemText(0, 4), "MPEG-1 Layer 3");
    EXPECT_EQ(program.List().GetItemText(0, 5), "64 Kbps");
    EXPECT_EQ(program.List().GetItemText(0, 6), "44100 Hz");
    EXPECT_EQ((g_deviceLink.m_image.Entry(0).audioHeader() >> 6) & 3, 3u) << "not mono";
    EXPECT_EQ(program.Pane(0).rfind("Stored 1 of 1 song, ", 0), 0u) << program.Pane(0);
    EXPECT_TRUE(temporary.Empty());
}

TEST(PlannedUpload, CancelWhileConvertingKeepsWhatWasStoredAndNoTemporaryFile)
{
    SimulatedProgram program;
    OwnTemporaryFolder temporary(program.folder + "\\tmp");
    program.Open();
    TransferDialogs dialogs;
    dialogs.onOpen = [](HWND dialog, const std::string& text) {
        if (text.rfind("Converting", 0) == 0)
            PostMessage(dialog, WM_COMMAND, IDCANCEL, 0);
    };
    MessageBoxAnswers answers({IDOK});
    program.Drop({program.Mp3File("a.mp3", 70), FlacFile(program), program.Mp3File("b.mp3", 71)});
    EXPECT_TRUE(dialogs.Saw("Converting 2 of 3:\ntone.flac")) << ::testing::PrintToString(dialogs.texts);
    EXPECT_TRUE(answers.texts.empty()) << answers.texts[0];
    EXPECT_EQ(program.Saves(), 1);
    EXPECT_EQ(program.NamesOnPlayer(), std::vector<std::string>{"a.mp3"});
    EXPECT_TRUE(Has(program.Pane(0), "; 2 not tried")) << program.Pane(0);
    EXPECT_TRUE(temporary.Empty());
}

} // namespace
