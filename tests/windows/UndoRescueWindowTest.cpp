// The Edit menu's Undo, File's Rescue songs... and Verify after upload, in
// the window on a simulated player.

#include <gtest/gtest.h>

#include <vector>

#include "SimulatedProgram.h"
#include "link/DeviceLink.h"
#include "format/PageFormat.h"
#include "res/resource.h"

namespace {

void Command(SimulatedProgram& program, UINT id)
{
    program.frame->SendMessage(WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

bool MenuItemEnabled(SimulatedProgram& program, UINT id, int popup)
{
    HMENU menu = GetSubMenu(GetMenu(program.frame->m_hWnd), popup);
    program.frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), popup);
    return !(GetMenuState(menu, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED));
}

std::string MenuItemText(SimulatedProgram& program, UINT id, int popup)
{
    HMENU menu = GetSubMenu(GetMenu(program.frame->m_hWnd), popup);
    program.frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), popup);
    char text[128] = {};
    GetMenuStringA(menu, id, text, sizeof text, MF_BYCOMMAND);
    return text;
}

TEST(UndoInTheWindow, ARemovalAndAnInitializeAreTakenBack)
{
    SimulatedProgram program;
    program.StoreSongs({"a.mp3", "b.mp3", "c.mp3"});
    program.Open();
    program.List().SetItemState(1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    {
        MessageBoxAnswers answers({IDYES});
        Command(program, ID_REMOVE_FILE);
    }
    EXPECT_EQ(program.RowNames(), (std::vector<std::string>{"a.mp3", "c.mp3"}));
    EXPECT_TRUE(MenuItemEnabled(program, ID_EDIT_UNDO, 1));
    // The item, and then the status bar, say what it takes back.
    EXPECT_EQ(MenuItemText(program, ID_EDIT_UNDO, 1), "&Undo the removal of \"b.mp3\"\tCtrl+Z");
    Command(program, ID_EDIT_UNDO);
    EXPECT_EQ(program.RowNames(), (std::vector<std::string>{"a.mp3", "b.mp3", "c.mp3"}));
    EXPECT_EQ(program.Pane(0), "Undone: the removal of \"b.mp3\".");
    {
        MessageBoxAnswers answers({IDYES});
        Command(program, ID_INITIALIZE_RIO);
    }
    EXPECT_TRUE(program.RowNames().empty());
    // Ctrl+Z reaches the same command when no edit box has the keys.
    ::SetFocus(program.List().m_hWnd);
    program.frame->SendMessage(WM_COMMAND, MAKEWPARAM(ID_EDIT_UNDO, 1), 0);
    EXPECT_EQ(program.RowNames(), (std::vector<std::string>{"a.mp3", "b.mp3", "c.mp3"}));
    EXPECT_EQ(program.NamesOnPlayer(), (std::vector<std::string>{"a.mp3", "b.mp3", "c.mp3"}));
}

TEST(UndoInTheWindow, OneUndoTakesBackADropOfManyFiles)
{
    SimulatedProgram program;
    program.Open();
    program.Drop({program.Mp3File("a.mp3", 70), program.Mp3File("b.mp3", 71), program.Mp3File("c.mp3", 72)});
    ASSERT_EQ(program.RowNames(), (std::vector<std::string>{"a.mp3", "b.mp3", "c.mp3"}));
    EXPECT_EQ(MenuItemText(program, ID_EDIT_UNDO, 1), "&Undo the upload of 3 songs\tCtrl+Z");
    Command(program, ID_EDIT_UNDO);
    EXPECT_TRUE(program.RowNames().empty());
    EXPECT_TRUE(program.NamesOnPlayer().empty());
    EXPECT_EQ(program.Pane(0), "Undone: the upload of 3 songs.");
    // The line stays through a menu, read or not, until the next command.
    program.frame->SendMessage(WM_MENUSELECT, MAKEWPARAM(ID_EDIT_UNDO, MF_STRING), 0);
    EXPECT_NE(program.Pane(0), "Undone: the upload of 3 songs.");
    program.frame->SendMessage(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_EQ(program.Pane(0), "Undone: the upload of 3 songs.");
    Command(program, ID_VERIFY_UPLOAD);
    Command(program, ID_VERIFY_UPLOAD);
    program.frame->SendMessage(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_EQ(program.Pane(0), "Ready");
}

TEST(RescueInTheWindow, ALostDirectoryIsOfferedARescueThatBringsTheSongsBack)
{
    SimulatedProgram program;
    program.StoreSongs({"a.mp3", "b.mp3"});
    const std::vector<uint8_t> erased(kRawPageSize, 0xFF);
    for (uint32_t page = 0; page < 64; ++page)
        program.flash.StorePage(page, erased.data());
    program.flash.StorePage(1023 * 64, erased.data()); // no shadow either
    program.copies.reset();
    g_deviceLink.AttachDirectoryCopies(nullptr); // nor a copy on this PC

    MessageBoxAnswers answers({IDOK, IDYES, IDYES});
    program.Open();
    ASSERT_EQ(answers.texts.size(), 3u);
    EXPECT_EQ(answers.texts[0], "Invalid checksum of directory.\nInitializing is recommended.");
    EXPECT_NE(answers.texts[1].find("Block 0 is erased"), std::string::npos);
    EXPECT_NE(answers.texts[2].find("1. Rescued song 1 (1000 bytes)"), std::string::npos);
    EXPECT_EQ(program.RowNames(), (std::vector<std::string>{"Rescued song 1", "Rescued song 2"}));
    EXPECT_EQ(program.Pane(1), "Songs:2");
}

TEST(VerifyInTheWindow, TheMenuItemIsCheckedAndRemembered)
{
    SimulatedProgram program;
    program.Open();
    HMENU file = GetSubMenu(GetMenu(program.frame->m_hWnd), 0);
    auto checked = [&] {
        program.frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
        return (GetMenuState(file, ID_VERIFY_UPLOAD, MF_BYCOMMAND) & MF_CHECKED) != 0;
    };
    EXPECT_FALSE(checked());
    Command(program, ID_VERIFY_UPLOAD);
    EXPECT_TRUE(checked());
    EXPECT_TRUE(g_deviceLink.VerifyUploads());
    EXPECT_EQ(TheTestApp().GetProfileString("Settings", "VerifyUpload"), "1");
    Command(program, ID_VERIFY_UPLOAD);
    EXPECT_FALSE(checked());
    EXPECT_EQ(TheTestApp().GetProfileString("Settings", "VerifyUpload"), "0");
}

} // namespace
