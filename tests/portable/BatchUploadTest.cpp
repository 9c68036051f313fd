// A planned batch on the simulated player: files that fail are named with
// their reason and the rest are stored; a conversion lands as MPEG-1 Layer 3;
// a Cancel stores nothing half; temporary files go on every path; and the
// port-time estimate agrees with the accesses counted.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "StoragePlayer.h"
#include "TempPath.h"
#include "TestFiles.h"
#include "audio/AudioProbe.h"
#include "audio/Conversion.h"
#include "audio/TemporaryFile.h"
#include "playlist/PlaylistText.h"
#include "commands/BatchUpload.h"
#include "commands/PlannedUpload.h"
#include "commands/PortTime.h"
#include "commands/SongCommands.h"

namespace {

// 22050 samples of a 440 Hz tone, 16-bit PCM mono: a second at 22050 Hz,
// the header's rate as given.
std::vector<uint8_t> PcmWav(uint32_t rate = 22050)
{
    constexpr uint32_t samples = 22050;
    auto u32 = [](std::vector<uint8_t>& v, uint32_t n) {
        for (int i = 0; i < 4; ++i)
            v.push_back(uint8_t(n >> (8 * i)));
    };
    std::vector<uint8_t> w = {'R', 'I', 'F', 'F'};
    u32(w, 36 + samples * 2);
    for (char c : std::string("WAVEfmt "))
        w.push_back(uint8_t(c));
    u32(w, 16);
    w.insert(w.end(), {1, 0, 1, 0});
    u32(w, rate);
    u32(w, rate * 2);
    w.insert(w.end(), {2, 0, 16, 0});
    w.insert(w.end(), {'d', 'a', 't', 'a'});
    u32(w, samples * 2);
    for (uint32_t i = 0; i < samples; ++i) {
        const int16_t s = int16_t(8000 * std::sin(2 * 3.14159265 * 440 * i / rate));
        w.push_back(uint8_t(s & 0xFF));
        w.push_back(uint8_t((s >> 8) & 0xFF));
    }
    return w;
}

// The temporary folder, for the life of a test, is one of its own.
class OwnTemporaryFolder {
public:
    explicit OwnTemporaryFolder(const std::filesystem::path& folder) : m_folder(folder)
    {
        std::filesystem::create_directories(folder);
        Set(folder.string());
    }
    ~OwnTemporaryFolder() { Set(m_previous); }
    size_t Files() const
    {
        return size_t(std::distance(std::filesystem::directory_iterator(m_folder), std::filesystem::directory_iterator()));
    }

private:
    void Set(const std::string& value)
    {
#ifdef _WIN32
        _putenv_s("TMP", value.c_str());
#else
        if (value.empty())
            unsetenv("TMPDIR");
        else
            setenv("TMPDIR", value.c_str(), 1);
#endif
    }
    std::filesystem::path m_folder;
    std::string m_previous = [] {
        const char* v = std::getenv(
#ifdef _WIN32
            "TMP"
#else
            "TMPDIR"
#endif
        );
        return std::string(v ? v : "");
    }();
};

// Port accesses counted on their way to the player.
class CountingPorts : public PortIo {
public:
    explicit CountingPorts(PortIo& inner) : m_inner(inner) {}
    void Out(uint16_t port, uint8_t value) override
    {
        ++accesses;
        m_inner.Out(port, value);
    }
    uint8_t In(uint16_t port) override
    {
        ++accesses;
        return m_inner.In(port);
    }
    long Clock() override { return m_inner.Clock(); }
    int64_t accesses = 0;

private:
    PortIo& m_inner;
};

struct Batch : ::testing::Test {
    Batch() : folder("batch"), temporary(folder.Path() / "tmp"), list(*p.link), commands(*p.link, list)
    {
        p.Reload();
    }
    std::string File(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        const std::string path = (folder.Path() / name).string();
        WriteFile(path, bytes);
        return path;
    }
    BatchResult Run(const std::vector<std::string>& paths, const UploadOptions& options = {})
    {
        std::vector<AudioFileFacts> files;
        for (const std::string& path : paths)
            files.push_back(ExamineAudioFile(path));
        const UploadPlan plan = PlanUpload(files, options, p.Image().freeBlocks(), p.Image().entryCount());
        return RunUploadPlan(*p.link, commands, plan);
    }
    std::vector<std::string> Names()
    {
        std::vector<std::string> names;
        for (int i = 0; i < p.Image().entryCount(); ++i)
            names.push_back(p.Image().Entry(i).name());
        return names;
    }

    TempPath folder;
    OwnTemporaryFolder temporary;
    StoragePlayer p;
    ReloadingList list;
    SongCommands commands;
};

}

TEST_F(Batch, FilesThatFailAreNamedAndTheRestAreStored)
{
    const auto frames = Mp3Frames(100);
    const BatchResult result = Run({File("a.mp3", frames), File("notes.mp3", {'h', 'i', '\n'}), File("empty.mp3", {}),
                                    File("tone.wav", PcmWav()), File("b.mp2", Mp3Frames(10))});
    const bool converts = ConversionAvailable();
    EXPECT_EQ(result.stored, converts ? 3 : 2);
    EXPECT_EQ(result.refused, converts ? 2 : 3);
    EXPECT_EQ(result.failed, 0);
    EXPECT_FALSE(result.stopped);
    ASSERT_GE(p.ui.messages.size(), 2u);
    const char* notAudio = converts ? "notes.mp3: not a sound file" : "notes.mp3: not MPEG audio the player plays";
    EXPECT_EQ(p.ui.messages[0].rfind(notAudio, 0), 0u) << p.ui.messages[0];
    EXPECT_EQ(p.ui.messages[1], "empty.mp3: the file is empty");
    if (converts) {
        EXPECT_EQ(Names(), (std::vector<std::string>{"a.mp3", "tone.mp3", "b.mp2"}));
        const DirectoryEntry tone = p.Image().Entry(1);
        EXPECT_EQ(tone.audioHeader() & 0xFFFEFC00u, 0xFFFA9000u) << std::hex << tone.audioHeader(); // MPEG-1 L3, 128 kbps, 44100 Hz
        EXPECT_NEAR(double(tone.size()), 128000 / 8.0, 3000.0);
    } else {
        EXPECT_EQ(Names(), (std::vector<std::string>{"a.mp3", "b.mp2"}));
        EXPECT_EQ(p.ui.messages[2].rfind("tone.wav: not MPEG audio the player plays", 0), 0u) << p.ui.messages[2];
    }
    EXPECT_EQ(StoredSong(p, 0), frames);
    EXPECT_EQ(BrokenInvariant(p.Image()), "");
    EXPECT_EQ(temporary.Files(), 0u);
}

// A header's sample rate that no audio has: resampling from it would take a
// gigabyte of memory for a file of a few kilobytes.
TEST_F(Batch, ASampleRateBeyondAnyAudioIsRefusedBeforeItIsResampled)
{
    if (!ConversionAvailable())
        GTEST_SKIP() << "this build does not convert";
    const BatchResult result = Run({File("damaged.wav", PcmWav(613004325)), File("tone.wav", PcmWav(kHighestInputRate))});
    EXPECT_EQ(result.refused, 1);
    EXPECT_EQ(Names(), (std::vector<std::string>{"tone.mp3"}));
    ASSERT_EQ(p.ui.messages.size(), 1u);
    EXPECT_EQ(p.ui.messages[0], "damaged.wav: its sound claims a sample rate of 613004325 Hz, which no audio has (at most 768000 Hz)");
}

TEST_F(Batch, ACancelledConversionStoresNothingAndLeavesNoFile)
{
    if (!ConversionAvailable())
        GTEST_SKIP() << "this build does not convert";
    p.ui.cancelAfterSteps = 1;
    const BatchResult result = Run({File("tone.wav", PcmWav()), File("a.mp3", Mp3Frames(10))});
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.stored, 0);
    EXPECT_EQ(result.failed, 0);
    EXPECT_EQ(result.notTried, 2);
    EXPECT_EQ(p.Image().entryCount(), 0);
    EXPECT_EQ(p.ui.Count(TransferKind::Upload), 0);
    EXPECT_EQ(temporary.Files(), 0u);
}

// The window's Cancel on an upload: a failed block is its file's end, a
// Cancel the batch's.
TEST_F(Batch, ACancelledUploadEndsTheBatchAndKeepsWhatWasStored)
{
    const std::vector<std::string> paths = {File("one.mp3", Mp3Frames(60)), File("two.mp3", Mp3Frames(200)),
                                            File("three.mp3", Mp3Frames(60))};
    p.ui.beforeStep = [&](TransferKind kind, int step) {
        if (kind == TransferKind::Upload && step == 1 && p.Image().entryCount() == 2)
            p.ui.cancelAfterSteps = 2; // the next check, before the second block of two.mp3
    };
    const BatchResult result = Run(paths);
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.stored, 1);
    EXPECT_EQ(result.failed, 0);
    EXPECT_EQ(result.notTried, 2);
    EXPECT_EQ(Names(), std::vector<std::string>{"one.mp3"});
    EXPECT_TRUE(p.ui.messages.empty());
    EXPECT_EQ(BrokenInvariant(p.Image()), "");
}

TEST_F(Batch, WhatThePlanFoundNotToFitIsPassedOverAndTheRestGoOn)
{
    // As --fit runs a plan that does not fit: 1, 3 and 1 blocks into 4 free
    // ones, the first song taking block 0 too.
    std::vector<AudioFileFacts> files;
    for (size_t frames : {60, 200, 70})
        files.push_back(ExamineAudioFile(File("f" + std::to_string(frames) + ".mp3", Mp3Frames(frames))));
    const UploadPlan plan = PlanUpload(files, {}, 4, 0);
    ASSERT_FALSE(plan.Fits());
    const BatchResult result = RunUploadPlan(*p.link, commands, plan);
    EXPECT_EQ(result.stored, 2);
    EXPECT_EQ(result.refused, 1);
    EXPECT_EQ(Names(), (std::vector<std::string>{"f60.mp3", "f70.mp3"}));
    EXPECT_EQ(p.ui.messages, (std::vector<std::string>{"f200.mp3: does not fit on the player (3 blocks)"}));
}

TEST_F(Batch, TagsLeftOutLeaveTheFramesAndNoTemporaryFile)
{
    const auto frames = Mp3Frames(20);
    std::vector<uint8_t> tagged = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 20};
    tagged.resize(30, 0);
    tagged.insert(tagged.end(), frames.begin(), frames.end());
    UploadOptions strip;
    strip.stripTags = true;
    EXPECT_EQ(Run({File("t.mp3", tagged)}, strip).stored, 1);
    EXPECT_EQ(StoredSong(p, 0), frames);
    EXPECT_EQ(temporary.Files(), 0u);
}

#ifndef _WIN32
// A run killed in a conversion leaves its temporary file: the next run
// removes it, and never one of a run still going.
TEST_F(Batch, TheNextRunRemovesWhatAKilledRunLeftInTheTemporaryFolder)
{
    const pid_t ended = fork();
    if (ended == 0)
        _exit(0);
    ASSERT_GT(ended, 0);
    waitpid(ended, nullptr, 0);
    const std::filesystem::path tmp = std::getenv("TMPDIR");
    const std::string left = "mellifon-p" + std::to_string(ended) + "-1-1.mp3";
    const std::string running = "mellifon-p" + std::to_string(getppid()) + "-1-1.mp3";
    WriteFile((tmp / left).string(), {1});
    WriteFile((tmp / running).string(), {1});
    const TemporaryFile file(".mp3");
    EXPECT_FALSE(file.Path().empty());
    EXPECT_FALSE(std::filesystem::exists(tmp / left));
    EXPECT_TRUE(std::filesystem::exists(tmp / running));
}
#endif

TEST_F(Batch, ThePortTimeEstimateAgreesWithTheAccessesCounted)
{
    CountingPorts counting(p.player);
    p.link->AttachPorts(&counting);
    std::vector<std::string> paths;
    int64_t blocks = 0;
    for (size_t frames : {60, 250, 470}) { // 1, 4 and 6 blocks
        paths.push_back(File("s" + std::to_string(frames) + ".mp3", Mp3Frames(frames)));
        blocks += int64_t((frames * 417 + 32767) / 32768);
    }
    ASSERT_EQ(Run(paths).stored, 3);
    const double estimate = double(UploadPortAccesses(blocks, 3));
    EXPECT_NEAR(double(counting.accesses), estimate, estimate * 0.1)
        << "per block " << kAccessesPerBlock << ", per song " << kAccessesPerSong;
}

// The window's flow: failures said once, at the end, the first twenty by
// name, then what the plan warned of and the closing line.
TEST_F(Batch, TheWindowSaysWhatFailedInOneMessageWithTheClosingLine)
{
    std::vector<std::string> paths = {File("song.mp3", Mp3Frames(60))};
    for (int i = 0; i < 22; ++i)
        paths.push_back(File("empty" + std::to_string(i) + ".mp3", {}));
    paths.push_back(File(std::string(120, 'n') + ".mp3", Mp3Frames(60)));
    const std::string closing = UploadAsPlanned(*p.link, commands, paths, UploadOptions{}, Utf8PlaylistText());
    EXPECT_EQ(closing.rfind("Stored 2 of 24 songs, ", 0), 0u) << closing;
    ASSERT_EQ(p.ui.messages.size(), 1u);
    const std::string& said = p.ui.messages[0];
    EXPECT_EQ(said.rfind("empty0.mp3: the file is empty\nempty1.mp3: ", 0), 0u) << said;
    EXPECT_NE(said.find("empty19.mp3: the file is empty\nand 2 more\n" + std::string(120, 'n') +
                        ".mp3: the name was stored as its first 99 characters: "),
              std::string::npos)
        << said;
    EXPECT_EQ(said.substr(said.size() - closing.size() - 3), "\n\n" + closing + ".");
    EXPECT_EQ(Names().size(), 2u);
}

// The library's own words go under the reason in the window's closing
// message; they take room there but are not counted as files.
TEST_F(Batch, TheWindowKeepsTheLibrarysWordsUnderEachReasonAndCountsOnlyFiles)
{
    if (!ConversionAvailable())
        GTEST_SKIP() << "this build does not convert";
    std::vector<std::string> paths;
    for (int i = 0; i < 12; ++i)
        paths.push_back(File("notes" + std::to_string(i) + ".mp3", {'h', 'i', '\n'}));
    UploadAsPlanned(*p.link, commands, paths, UploadOptions{}, Utf8PlaylistText());
    ASSERT_EQ(p.ui.messages.size(), 1u);
    const std::string& said = p.ui.messages[0];
    EXPECT_EQ(said.rfind("notes0.mp3: not a sound file Mellifon knows\n    FFmpeg: ", 0), 0u) << said;
    EXPECT_NE(said.find("notes9.mp3: "), std::string::npos) << said;
    EXPECT_EQ(said.find("notes10.mp3: "), std::string::npos) << said;
    EXPECT_NE(said.find("\nand 2 more\n"), std::string::npos) << said;
}
