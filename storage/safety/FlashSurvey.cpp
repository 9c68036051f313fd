#include "storage/safety/FlashSurvey.h"

#include <cstring>

#include "link/DeviceLink.h"
#include "format/PageFormat.h"
#include "storage/UserInterface.h"
#include "format/SongPrints.h"

FlashSurvey::FlashSurvey(DeviceLink& link, unsigned blocks) : m_link(link), m_starts(blocks) {}

bool FlashSurvey::Read(unsigned block)
{
    if (block == 0 || block >= Blocks())
        return true;
    BlockStart& start = m_starts[block];
    if (start.kind != BlockStart::Kind::Unread)
        return true;
    if (!m_bWoken) {
        m_link.OpenLink();
        m_bWoken = true;
    }
    uint8_t raw[kRawPageSize];
    if (!m_link.ReadPageChecked(0, raw, int(block)))
        return false;
    if (m_bProgress)
        m_link.Ui().ShowProgress(int(++m_nReads), int(Blocks()));
    SpareLinks links;
    std::memcpy(start.head, raw, sizeof start.head);
    if (RawPageErased(raw))
        start.kind = BlockStart::Kind::Erased;
    else if (!RawPageIntact(raw))
        start.kind = BlockStart::Kind::Garbled;
    else if (!ParseSpareBytes(raw + kPageSize, &links))
        start.kind = BlockStart::Kind::Other;
    else if (links.previous == block && links.next == block)
        start.kind = BlockStart::Kind::Shadow;
    else
        start.kind = BlockStart::Kind::Linked;
    start.previous = links.previous;
    start.next = links.next;
    start.checksum = links.checksum;
    return true;
}

bool FlashSurvey::ReadOn(int count)
{
    for (; count > 0 && m_nNext < Blocks(); ++m_nNext, --count)
        if (!Read(m_nNext))
            return false;
    return true;
}

std::vector<FlashSurvey::Chain> FlashSurvey::Chains() const
{
    std::vector<Chain> chains;
    std::vector<bool> taken(m_starts.size(), false);
    for (unsigned head = 1; head < Blocks(); ++head) {
        const BlockStart& start = m_starts[head];
        if (start.kind != BlockStart::Kind::Linked || start.previous != kNoLinkBlock)
            continue;
        Chain chain;
        chain.blocks.push_back(uint16_t(head));
        taken[head] = true;
        uint16_t current = uint16_t(head);
        chain.whole = true;
        while (m_starts[current].next != kNoLinkBlock) {
            const uint16_t next = m_starts[current].next;
            if (next == 0 || next >= Blocks() || taken[next] || m_starts[next].kind != BlockStart::Kind::Linked ||
                m_starts[next].previous != current) {
                chain.whole = false;
                break;
            }
            taken[next] = true;
            chain.blocks.push_back(next);
            current = next;
        }
        if (chain.whole)
            chain.print = PrintOf(chain.blocks);
        chains.push_back(std::move(chain));
    }
    return chains;
}

bool FlashSurvey::WrittenWhole(uint16_t block, bool* answered)
{
    *answered = true;
    const BlockStart& first = m_starts[block];
    uint8_t raw[kRawPageSize];
    for (int last = kPagesPerEraseUnit - 1; last < kPagesPerBlock; last += kPagesPerEraseUnit) {
        if (!m_link.ReadPageChecked(last, raw, block)) {
            *answered = false;
            return false;
        }
        SpareLinks links;
        if (!RawPageIntact(raw) || RawPageErased(raw) || !ParseSpareBytes(raw + kPageSize, &links) ||
            links.previous != first.previous || links.next != first.next)
            return false;
    }
    return true;
}

bool FlashSurvey::LinksAs(const std::vector<uint16_t>& chain, bool* answered)
{
    *answered = true;
    for (size_t i = 0; i < chain.size(); ++i) {
        if (chain[i] == 0 || chain[i] >= Blocks())
            return false;
        if (!Read(chain[i])) {
            *answered = false;
            return false;
        }
        const BlockStart& start = m_starts[chain[i]];
        if (start.kind == BlockStart::Kind::Garbled) {
            // A page that cannot be read right proves nothing either way.
            *answered = false;
            return false;
        }
        const uint16_t previous = i == 0 ? kNoLinkBlock : chain[i - 1];
        const uint16_t next = i + 1 == chain.size() ? kNoLinkBlock : chain[i + 1];
        if (start.kind != BlockStart::Kind::Linked || start.previous != previous || start.next != next)
            return false;
    }
    return true;
}

uint32_t FlashSurvey::PrintOf(const std::vector<uint16_t>& chain) const
{
    std::vector<uint16_t> sums;
    for (uint16_t block : chain) {
        if (block >= Blocks() || m_starts[block].kind != BlockStart::Kind::Linked)
            return 0;
        sums.push_back(m_starts[block].checksum);
    }
    return SongPrint(sums);
}

bool BeginsAs(const uint8_t* head, const uint8_t* storedAudioHeader)
{
    const bool sameStart = head[0] == storedAudioHeader[3] && head[1] == storedAudioHeader[2] &&
                           head[2] == storedAudioHeader[1] && head[3] == storedAudioHeader[0];
    // A tagged file keeps the frame header found after its tag instead.
    return sameStart || std::memcmp(head, "ID3", 3) == 0;
}
