// The directory's layout and its two checksums.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "format/DirectoryImage.h"

namespace {

std::unique_ptr<DirectoryImage> EmptyImage()
{
    auto image = std::make_unique<DirectoryImage>();
    image->SetEmpty();
    return image;
}

TEST(DirectoryImage, TheEmptyStateSealsToItsKnownChecksums)
{
    auto image = EmptyImage();
    EXPECT_EQ(image->entryCount(), 0);
    EXPECT_EQ(image->totalBlocks(), 1024);
    EXPECT_EQ(image->usedBlocks(), 0);
    EXPECT_EQ(image->freeBlocks(), 1024);
    for (unsigned block = 0; block < 8192; ++block)
        ASSERT_EQ(image->blockUse(block), 0xFF) << block;
    image->Seal(0);
    EXPECT_EQ(image->bodyChecksum(), 0x1000);
    EXPECT_EQ(image->headerChecksum(), 0xE800);
    EXPECT_TRUE(image->ChecksumsValid());
}

TEST(DirectoryImage, ABodyChangeBreaksOnlyTheBodyChecksum)
{
    auto image = EmptyImage();
    image->Seal(1700000000);
    image->Bytes()[20000] ^= 0x01;
    EXPECT_EQ(image->HeaderChecksum(), image->headerChecksum());
    EXPECT_NE(image->BodyChecksum(), image->bodyChecksum());

    image->Bytes()[20000] ^= 0x01;
    image->SetBodyChecksum(uint16_t(image->bodyChecksum() + 1));
    EXPECT_NE(image->HeaderChecksum(), image->headerChecksum());
    EXPECT_NE(image->BodyChecksum(), image->bodyChecksum());
}

TEST(DirectoryImage, TheHeaderChecksumIgnoresItsOwnStoredValue)
{
    auto image = EmptyImage();
    image->SetSaveTime(12345);
    image->SetHeaderChecksum(0x0000);
    const uint16_t a = image->HeaderChecksum();
    image->SetHeaderChecksum(0xABCD);
    EXPECT_EQ(image->HeaderChecksum(), a);
}

TEST(DirectoryImage, FreeBlockSearchTakesTheLowestFreeBlock)
{
    auto image = EmptyImage();
    EXPECT_EQ(image->FindFreeBlock(), 0);
    image->SetBlockUse(0, 0x00);
    image->SetBlockUse(1, 0x00);
    EXPECT_EQ(image->FindFreeBlock(), 2);
    for (unsigned block = 0; block < 8192; ++block)
        image->SetBlockUse(block, 0x00);
    EXPECT_EQ(image->FindFreeBlock(), 0xFFFF);
    image->SetBlockUse(8191, 0xFF);
    EXPECT_EQ(image->FindFreeBlock(), 8191);
}

TEST(DirectoryImage, FieldsAreLittleEndianAtTheirOffsets)
{
    auto image = EmptyImage();
    DirectoryEntry entry = image->Entry(2);
    entry.SetSize(0x01020304);
    entry.SetUploadTime(-2);
    const uint8_t header[4] = {0xFF, 0xFB, 0x90, 0x64};
    entry.SetAudioHeaderFromData(header);
    const uint8_t* slot = image->Bytes() + 512 + 2 * 128;
    EXPECT_EQ(slot[6], 0x04);
    EXPECT_EQ(slot[9], 0x01);
    EXPECT_EQ(slot[15], 0xFE);
    EXPECT_EQ(slot[18], 0xFF);
    EXPECT_EQ(slot[19], 0x64);
    EXPECT_EQ(slot[22], 0xFF);
    EXPECT_EQ(entry.audioHeader(), 0xFFFB9064u);
    image->SetBlockLink(8191, 0xBEEF);
    EXPECT_EQ(image->Bytes()[32766], 0xEF);
    EXPECT_EQ(image->Bytes()[32767], 0xBE);
}

TEST(DirectoryEntry, NamesKeepNinetyNineCharactersAndStopAtTheField)
{
    auto image = EmptyImage();
    DirectoryEntry entry = image->Entry(0);
    entry.SetName(std::string(150, 'x'));
    EXPECT_EQ(entry.name(), std::string(99, 'x'));
    EXPECT_EQ(entry.Bytes()[127], 0);

    entry.SetName("ab");
    EXPECT_EQ(entry.name(), "ab");
    EXPECT_EQ(entry.Bytes()[28 + 3], 0); // the rest of the old name is gone

    // A damaged slot whose name has no NUL reads as its 100 bytes only.
    std::memset(entry.Bytes() + 28, 'y', 100);
    image->Entry(1).Bytes()[0] = 'z';
    EXPECT_EQ(entry.name(), std::string(100, 'y'));
}

} // namespace
