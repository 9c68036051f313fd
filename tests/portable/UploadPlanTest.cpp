// The plan of an upload: what is done to each file, its name and size, and
// whether the batch fits, in order.

#include <gtest/gtest.h>

#include "commands/PlanText.h"
#include "commands/UploadPlan.h"

namespace {

AudioFileFacts Mpeg(const std::string& path, int kbps, uint64_t size, uint64_t tags = 0)
{
    AudioFileFacts f;
    f.path = path;
    f.kind = AudioKind::PlayerPlays;
    f.mpeg = true;
    f.format = "MPEG-1 Layer 3";
    f.size = size;
    f.kbps = kbps;
    f.seconds = double(size - tags) * 8 / (kbps * 1000.0);
    f.content.firstFrame = tags;
    f.framesEnd = size;
    f.tags.leadingBytes = tags;
    return f;
}

AudioFileFacts Other(const std::string& path, AudioKind kind, double seconds = 0)
{
    AudioFileFacts f;
    f.path = path;
    f.kind = kind;
    f.size = 1000000;
    f.seconds = seconds;
    f.format = kind == AudioKind::Convertible ? "FLAC" : "";
    f.problem = "why not";
    return f;
}

std::vector<UploadAction> Actions(const UploadPlan& plan)
{
    std::vector<UploadAction> actions;
    for (const PlannedFile& f : plan.files)
        actions.push_back(f.action);
    return actions;
}

using A = UploadAction;

}

TEST(UploadPlan, EachOptionDecidesWhatIsDoneToEachKindOfFile)
{
    const std::vector<AudioFileFacts> files = {
        Mpeg("/m/loud.mp3", 320, 8000000, 300000), Mpeg("/m/small.mp3", 96, 2000000),
        Other("/m/song.flac", AudioKind::Convertible, 240), Other("/m/notes.mp3", AudioKind::NotAudio),
        Other("/m/empty.mp3", AudioKind::Empty),
    };
    struct Case {
        const char* what;
        UploadOptions options;
        std::vector<A> actions;
        int convertKbps;
    } cases[] = {
        {"default", {}, {A::Store, A::Store, A::Convert, A::Refuse, A::Refuse}, 128},
        {"--bitrate 128", {128}, {A::Convert, A::Store, A::Convert, A::Refuse, A::Refuse}, 128},
        {"--speech", {0, true}, {A::Convert, A::Convert, A::Convert, A::Refuse, A::Refuse}, 64},
        {"--as-is", {0, false, true}, {A::Store, A::Store, A::Store, A::Store, A::Refuse}, 128},
        {"--strip-tags", {0, false, false, true}, {A::StoreWithoutTags, A::Store, A::Convert, A::Refuse, A::Refuse}, 128},
        // The window names its rate always; MP3s are re-encoded only when asked.
        {"the window at 64 kbps",
         {64, false, false, false, false, false},
         {A::Store, A::Store, A::Convert, A::Refuse, A::Refuse},
         64},
    };
    for (const Case& c : cases) {
        const UploadPlan plan = PlanUpload(files, c.options, 1000, 1);
        EXPECT_EQ(Actions(plan), c.actions) << c.what;
        EXPECT_EQ(plan.files[2].conversion.kbps, c.convertKbps) << c.what;
        EXPECT_EQ(plan.files[2].conversion.mono, c.options.speech) << c.what;
        EXPECT_EQ(plan.files[3].warning.empty(), !c.options.asIs) << c.what;
        EXPECT_TRUE(plan.files[0].warning.empty()) << c.what;
    }
    // A conversion's size comes from the playing time and the bit rate.
    const UploadPlan plan = PlanUpload(files, {}, 1000, 1);
    EXPECT_NEAR(double(plan.files[2].bytes), 240 * 128000 / 8.0, 2000.0);
    EXPECT_TRUE(plan.files[2].estimated);
    EXPECT_EQ(plan.files[0].bytes, 8000000u);
    EXPECT_EQ(PlanUpload(files, {0, false, false, true}, 1000, 1).files[0].bytes, 8000000u - 300000u);
}

TEST(UploadPlan, NamesComeFromTheFileOrTheTagsAndAreCutAtACharacter)
{
    AudioFileFacts tagged = Other("C:\\music\\01 track.ogg", AudioKind::Convertible, 10);
    tagged.tags.artist = "Band";
    tagged.tags.title = "Song";
    AudioFileFacts untagged = Mpeg("/m/02 other.mp3", 128, 100000);
    untagged.tags.title = "Only a title";
    // "日" takes three bytes: stored in UTF-8, it does not fit after 98 others.
    AudioFileFacts longName = Mpeg("/m/" + std::string(98, 'x') + "\xE6\x97\xA5.mp3", 128, 100000);
    // "é" is one byte in Windows-1252, which the tool stores it in: it fits.
    AudioFileFacts fitting = Mpeg("/m/" + std::string(94, 'x') + "\xC3\xA9.mp3", 128, 100000);

    UploadPlan plan = PlanUpload({tagged, untagged, longName, fitting}, {}, 1000, 0);
    EXPECT_EQ(plan.files[0].name, "01 track.mp3"); // a converted song downloads as what it is
    EXPECT_EQ(plan.files[1].name, "02 other.mp3");
    EXPECT_EQ(plan.files[2].name, std::string(98, 'x'));
    EXPECT_TRUE(plan.files[2].nameCut);
    EXPECT_FALSE(plan.files[1].nameCut);
    EXPECT_EQ(plan.files[3].name, std::string(94, 'x') + "\xC3\xA9.mp3");
    EXPECT_FALSE(plan.files[3].nameCut);

    UploadOptions fromTags;
    fromTags.nameFromTags = true;
    plan = PlanUpload({tagged, untagged}, fromTags, 1000, 0);
    EXPECT_EQ(plan.files[0].name, "Band - Song");
    EXPECT_EQ(plan.files[1].name, "02 other");
}

TEST(UploadPlan, FilesFitInOrderAndTheMissingMemoryIsCounted)
{
    // 2, 5, 1 and 3 blocks onto an empty player with 7 free: the first song
    // takes block 0 too, so the 5 do not fit after the 2, but the 1 and the 3 do.
    const std::vector<AudioFileFacts> files = {
        Mpeg("/a.mp3", 128, 2 * 32768), Mpeg("/b.mp3", 128, 5 * 32768 - 100), Mpeg("/c.mp3", 128, 1000),
        Other("/x.txt", AudioKind::NotAudio), Mpeg("/d.mp3", 128, 3 * 32768),
    };
    const UploadPlan plan = PlanUpload(files, {}, 7, 0);
    std::vector<bool> fits;
    for (const PlannedFile& f : plan.files)
        fits.push_back(f.fits);
    EXPECT_EQ(fits, (std::vector<bool>{true, false, true, false, true}));
    EXPECT_EQ(plan.blocksNeeded, 2 + 5 + 1 + 3 + 1);
    EXPECT_EQ(plan.missingBlocks, 5);
    EXPECT_FALSE(plan.Fits());
    EXPECT_EQ(plan.Refused(), 1);
    const std::string text = NotFittingText(plan);
    EXPECT_NE(text.find("b.mp3"), std::string::npos) << text;
    EXPECT_EQ(text.find("c.mp3"), std::string::npos) << text;
    EXPECT_NE(text.find("0.2 MB missing"), std::string::npos) << text;

    // With songs on the player, no block 0; and 60 songs at most.
    EXPECT_TRUE(PlanUpload({files[0]}, {}, 2, 1).Fits());
    EXPECT_FALSE(PlanUpload({files[0]}, {}, 2, 0).Fits());
    const UploadPlan full = PlanUpload({files[2], files[2]}, {}, 100, 59);
    EXPECT_TRUE(full.files[0].fits);
    EXPECT_FALSE(full.files[1].fits);
    EXPECT_EQ(full.missingSlots, 1);
}

TEST(UploadPlan, TheClosingLineSaysWhatWasStoredAndWhatWasNot)
{
    EXPECT_EQ(ClosingLine(18, 20, 13002342, 3250586, 2), "stored 18 of 20 songs, 12.4 MB, 3.1 MB free; 2 refused");
    EXPECT_EQ(ClosingLine(1, 1, 1048576, 0, 0), "stored 1 of 1 song, 1.0 MB, 0.0 MB free");
    EXPECT_EQ(ClosingLine(1, 3, 0, 0, 0, 2), "stored 1 of 3 songs, 0.0 MB, 0.0 MB free; 2 not tried");
    // A write that failed is no refusal, and figures no directory gave are not made up.
    EXPECT_EQ(ClosingLine(1, 3, 0, std::nullopt, 1, 0, 0, 1),
              "stored 1 of 3 songs, 0.0 MB; the free memory could not be read back; 1 refused; 1 failed");
}
