#pragma once
// Messages kept for the end of a batch, to be shown in one box: the window
// says what failed once, not in a box per file. A question shows first what
// was kept, so it comes after what led to it.

#include <string>
#include <utility>
#include <vector>

#include "storage/UserInterface.h"

class GatheringUi : public UserInterface {
public:
    explicit GatheringUi(UserInterface& inner) : m_inner(inner) {}
    void ShowMessage(const std::string& text) override { m_messages.push_back(text); }
    // Under the message it explains.
    void ShowDetail(const std::string& text) override { m_messages.push_back("    " + text); }
    bool AskYesNo(const std::string& text) override
    {
        if (!m_messages.empty())
            m_inner.ShowMessage(Joined(Take()));
        return m_inner.AskYesNo(text);
    }
    bool AskYesNoDefaultNo(const std::string& text) override
    {
        if (!m_messages.empty())
            m_inner.ShowMessage(Joined(Take()));
        return m_inner.AskYesNoDefaultNo(text);
    }
    int RunTransfer(TransferStep& step) override { return m_inner.RunTransfer(step); }
    void ShowProgress(int position, int range) override { m_inner.ShowProgress(position, range); }
    void BeginWaitCursor() override { m_inner.BeginWaitCursor(); }
    void EndWaitCursor() override { m_inner.EndWaitCursor(); }
    const SongNameText& Names() const override { return m_inner.Names(); }

    std::vector<std::string> Take() { return std::exchange(m_messages, {}); }

    // One line after another, each ended.
    static std::string Joined(const std::vector<std::string>& lines)
    {
        std::string text;
        for (const std::string& line : lines)
            text += line + "\n";
        return text;
    }

private:
    UserInterface& m_inner;
    std::vector<std::string> m_messages;
};
