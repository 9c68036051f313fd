// The port search: which ports are tried, in which order, what is saved, and
// what the user is asked when no player answers.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "settings/PortSelection.h"
#include "TestPlayer.h"

namespace {

class MemoryProfile : public AppProfile {
public:
    std::string GetProfileString(const std::string& section, const std::string& entry) override
    {
        auto it = values.find(section + "/" + entry);
        return it == values.end() ? std::string() : it->second;
    }
    void WriteProfileString(const std::string& section, const std::string& entry,
                            const std::string& value) override
    {
        values[section + "/" + entry] = value;
        writes.push_back(value);
    }
    std::map<std::string, std::string> values;
    std::vector<std::string> writes;
};

class ScriptedQuestion : public YesNoQuestion {
public:
    bool AskYesNo(const std::string& text, const std::string& caption) override
    {
        texts.push_back(text);
        captions.push_back(caption);
        bool yes = !answers.empty() && answers.front();
        if (!answers.empty())
            answers.erase(answers.begin());
        if (onAsk)
            onAsk();
        return yes;
    }
    std::vector<bool> answers;
    std::vector<std::string> texts, captions;
    std::function<void()> onAsk;
};

// Passes accesses to the player and notes the port of every probe. A probe
// wakes the link twice, and each wake-up writes 0x55 once; nothing else a
// probe sends carries that byte.
class ProbeLog : public PortIo {
public:
    explicit ProbeLog(PortIo& inner) : m_inner(inner) {}
    void Out(uint16_t port, uint8_t value) override
    {
        if (value == 0x55 && (++m_nWakes % 2) == 1)
            probes.push_back(port);
        m_inner.Out(port, value);
    }
    uint8_t In(uint16_t port) override { return m_inner.In(port); }
    long Clock() override { return m_inner.Clock(); }
    std::vector<uint16_t> probes;

private:
    PortIo& m_inner;
    int m_nWakes = 0;
};

struct Search {
    explicit Search(uint16_t playerPort) : player(FlashMemory::kDefaultBlocks, playerPort), log(player.player)
    {
        player.link->AttachPorts(&log);
        selection = std::make_unique<PortSelection>(profile, question, *player.link);
        selection->SetSplashCloser([this] { ++splashClosed; });
    }
    TestPlayer player;
    ProbeLog log;
    MemoryProfile profile;
    ScriptedQuestion question;
    std::unique_ptr<PortSelection> selection;
    int splashClosed = 0;
};

using Ports = std::vector<uint16_t>;
const Ports kRetryRound = {0x3BC, 0x378, 0x278, 0x268, 0x2C6, 0x2C7, 0x408, 0x40A, 0x40C};

TEST(PortSelection, FirstStartWritesTheDefaultBeforeSearching)
{
    Search s(0x278);
    EXPECT_TRUE(s.selection->SelectPort());
    EXPECT_EQ(s.log.probes, (Ports{0x378, 0x3BC, 0x378, 0x278}));
    EXPECT_EQ(s.profile.writes, (std::vector<std::string>{"888", "632"}));
    EXPECT_EQ(s.player.link->m_nBasePort, 0x278);
    EXPECT_TRUE(s.player.player.InLinkMode());
    EXPECT_TRUE(s.question.texts.empty());
}

TEST(PortSelection, TheSavedPortIsTriedFirstAndSavedAgain)
{
    Search s(0x278);
    s.profile.values["Port/Rio"] = "632";
    EXPECT_TRUE(s.selection->SelectPort());
    EXPECT_EQ(s.log.probes, (Ports{0x278}));
    EXPECT_EQ(s.profile.writes, (std::vector<std::string>{"632"}));
}

TEST(PortSelection, APlayerThatMovedIsFoundAndItsPortSaved)
{
    Search s(0x278);
    s.profile.values["Port/Rio"] = "888";
    EXPECT_TRUE(s.selection->SelectPort());
    EXPECT_EQ(s.log.probes, (Ports{0x378, 0x3BC, 0x378, 0x278}));
    EXPECT_EQ(s.profile.values["Port/Rio"], "632");
}

TEST(PortSelection, SavedTextWithoutANumberMeansTheUsualPort)
{
    Search s(0x378);
    s.profile.values["Port/Rio"] = "abc";
    EXPECT_TRUE(s.selection->SelectPort());
    EXPECT_EQ(s.log.probes, (Ports{0x378}));
    EXPECT_EQ(s.profile.values["Port/Rio"], "888");
}

TEST(PortSelection, SavedTextIsReadLikeADecimalNumber)
{
    EXPECT_EQ(PortSelection::ParseSavedPort("  632xyz"), 632);
    EXPECT_EQ(PortSelection::ParseSavedPort("0x278"), 0x378); // reads as 0
    EXPECT_EQ(PortSelection::ParseSavedPort(""), 0x378);
    // Nothing that could not be a port base reaches the port instructions.
    EXPECT_EQ(PortSelection::ParseSavedPort("-5"), 0x378);
    EXPECT_EQ(PortSelection::ParseSavedPort("70000"), 0x378);
    EXPECT_EQ(PortSelection::ParseSavedPort("99999999999999999999"), 0x378);
}

TEST(PortSelection, NoPlayerAsksUntilTheUserQuits)
{
    Search s(0x378);
    s.player.player.Faults().absent = true;
    s.question.answers = {true, false};
    EXPECT_FALSE(s.selection->SelectPort());

    Ports expected = {0x378};
    for (int round = 0; round < 2; ++round)
        expected.insert(expected.end(), kRetryRound.begin(), kRetryRound.end());
    EXPECT_EQ(s.log.probes, expected);
    ASSERT_EQ(s.question.texts.size(), 2u);
    EXPECT_EQ(s.question.texts[0],
              "Cannot find Rio on any LPT port.Please connect Rio and press YES to retry.\n"
              "Press NO to quit Mellifon.\n");
    EXPECT_EQ(s.question.captions[0].substr(0, 7), "Quorl  ");
    EXPECT_GE(s.splashClosed, 1);
    EXPECT_EQ(s.profile.writes, (std::vector<std::string>{"888"}));
}

TEST(PortSelection, APlayerConnectedAfterTheQuestionIsFound)
{
    Search s(0x378);
    s.player.player.Faults().absent = true;
    s.question.answers = {true};
    s.question.onAsk = [&] { s.player.player.Faults().absent = false; };
    EXPECT_TRUE(s.selection->SelectPort());
    EXPECT_EQ(s.question.texts.size(), 1u);
    EXPECT_EQ(s.log.probes.back(), 0x378);
    EXPECT_EQ(s.log.probes.size(), 10u + 2u); // a round, then 0x3BC and 0x378
    EXPECT_EQ(s.splashClosed, 1);
}

} // namespace
