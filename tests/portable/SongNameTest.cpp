// Names on the player are bytes: what the tool stores for a name, what each
// program shows for the bytes the other stored, and where a long name is cut.

#include <gtest/gtest.h>

#include <string>

#include "format/DirectoryEntry.h"
#include "format/SongName.h"
#ifdef _WIN32
#include "format/CodePageSongNames.h"
#endif

namespace {

// UTF-8 spelled out, so the test does not depend on the source's encoding.
const std::string kCafe = "Caf\xC3\xA9";                      // Café
const std::string kNihon = "\xE6\x97\xA5\xE6\x9C\xAC";         // 日本
const std::string kEuro = "\xE2\x82\xAC";                     // €
const std::string kLooksLikeUtf8 = "\xC3\x83\xC2\xA9";        // Ã©, whose 1252 bytes C3 A9 are UTF-8 for é
const std::string kGrin = "\xF0\x9F\x98\x80";                 // a four-byte character

TEST(SongName, TheToolStoresWindows1252WhenTheNameFitsAndUtf8WhenNot)
{
    const Utf8SongNames tool;
    EXPECT_EQ(tool.Stored(kCafe), "Caf\xE9");
    EXPECT_EQ(tool.Stored(kEuro + "uro"), "\x80uro");
    EXPECT_EQ(tool.Stored(kNihon), kNihon);
    EXPECT_EQ(tool.Stored("plain.mp3"), "plain.mp3");
    // Its 1252 bytes would read back as another name.
    EXPECT_EQ(tool.Stored(kLooksLikeUtf8), kLooksLikeUtf8);
    // Text that is no UTF-8 (a file name from a Latin-1 system) is Windows-1252.
    EXPECT_EQ(tool.Stored("Caf\xE9"), "Caf\xE9");
    for (const std::string& name : {kCafe, kNihon, kEuro, kLooksLikeUtf8, kGrin + kCafe})
        EXPECT_EQ(tool.Shown(tool.Stored(name)), name) << name;
}

TEST(SongName, UTF8ReadsAsUTF8AndEverythingElseAsWindows1252)
{
    EXPECT_EQ(NameAsUtf8("Caf\xE9"), kCafe); // as the window stores it on a Western system
    EXPECT_EQ(NameAsUtf8(kNihon), kNihon);
    EXPECT_EQ(NameAsUtf8("\x80\x81\x9F"), kEuro + "\xC2\x81" + "\xC5\xB8"); // undefined 0x81 stays a control
    // Overlong, a surrogate, beyond U+10FFFF, cut short: none of them UTF-8.
    for (const char* raw : {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE6\x97"}) {
        const std::string bytes = raw;
        EXPECT_FALSE(IsUtf8(bytes));
        EXPECT_EQ(NameAsUtf8(bytes), Utf8FromWindows1252(bytes));
    }
    std::string bytes;
    EXPECT_FALSE(Windows1252FromUtf8(kNihon, &bytes));
    EXPECT_EQ(NameCharacters("Caf\xE9"), 4u);
    EXPECT_EQ(NameCharacters(kNihon), 2u);
}

TEST(SongName, LongNamesAreCutBetweenCharacters)
{
    const Utf8SongNames tool;
    // 98 bytes, then a three-byte character that would end at byte 101.
    EXPECT_EQ(tool.Stored(std::string(98, 'a') + kNihon), std::string(98, 'a'));
    // 150 characters of Windows-1252: 99 of them, a byte each.
    std::string e150;
    for (int i = 0; i < 150; ++i)
        e150 += "\xC3\xA9";
    EXPECT_EQ(tool.Stored(e150), std::string(99, '\xE9'));
    // A name that must be UTF-8 keeps its whole characters: 1 x 3 + 48 x 2 bytes.
    const std::string utf8 = tool.Stored(kNihon.substr(0, 3) + e150);
    EXPECT_EQ(utf8, kNihon.substr(0, 3) + e150.substr(0, 96));
    std::string grins;
    for (int i = 0; i < 30; ++i)
        grins += kGrin;
    EXPECT_EQ(tool.Stored(grins), grins.substr(0, 96));

    // The slot itself never keeps half a character, whoever cut the bytes before.
    uint8_t slot[DirectoryEntry::kSize] = {};
    DirectoryEntry entry(slot);
    entry.SetName(std::string(97, 'a') + kNihon);
    EXPECT_EQ(entry.name(), std::string(97, 'a'));
    EXPECT_EQ(slot[DirectoryEntry::kNameOffset + 97], 0);
    entry.SetName(std::string(96, 'a') + kGrin);
    EXPECT_EQ(entry.name(), std::string(96, 'a'));
    entry.SetName(std::string(150, '\xE9')); // Windows-1252: every byte a character
    EXPECT_EQ(entry.name(), std::string(99, '\xE9'));
    entry.SetName(std::string(95, 'a') + "\xE9\xE9" + kNihon); // no UTF-8 to keep whole
    EXPECT_EQ(entry.name().size(), 99u);
}

#ifdef _WIN32
TEST(SongName, TheWindowsProgramsInTheirCodePages)
{
    // The tool on Windows: its text is the code page.
    const CodePageSongNames tool1252(1252);
    EXPECT_EQ(tool1252.Stored("Caf\xE9"), "Caf\xE9");
    EXPECT_EQ(tool1252.Shown(kNihon), "??");
    EXPECT_EQ(tool1252.Shown("Caf\xE9"), "Caf\xE9");

    // The window on a Western system shares the tool's reading.
    const WindowSongNames window1252(1252);
    EXPECT_EQ(window1252.Shown("Caf\xE9"), "Caf\xE9");
    EXPECT_EQ(window1252.Shown(kCafe), "Caf\xE9");
    EXPECT_EQ(window1252.Shown(kNihon), "??");
    EXPECT_EQ(window1252.Stored("Caf\xE9"), "Caf\xE9");
    EXPECT_EQ(window1252.Stored("\xC3\xA9"), kLooksLikeUtf8); // Ã© is written as UTF-8 to read back
    EXPECT_EQ(window1252.Stored(std::string(150, '\xE9')), std::string(99, '\xE9'));

    // Elsewhere it keeps reading its own names in its code page, and cuts
    // between the double-byte characters of one.
    const WindowSongNames window932(932);
    const std::string sjisNihon = "\x93\xFA\x96\x7B";
    EXPECT_EQ(window932.Shown(sjisNihon), sjisNihon);
    EXPECT_EQ(window932.Shown(kNihon), sjisNihon);
    EXPECT_EQ(window932.Stored(std::string(98, 'a') + sjisNihon), std::string(98, 'a'));
    const WindowSongNames windowUtf8(65001);
    EXPECT_EQ(windowUtf8.Shown("Caf\xE9"), kCafe);
    EXPECT_EQ(windowUtf8.Stored(std::string(98, 'a') + kNihon), std::string(98, 'a'));
}
#endif

}
