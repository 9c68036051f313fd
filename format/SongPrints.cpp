#include "format/SongPrints.h"

#include <algorithm>

#include "format/Fingerprint.h"

uint32_t SongPrint(const std::vector<uint16_t>& firstPageChecksums)
{
    std::vector<uint8_t> bytes;
    for (uint16_t sum : firstPageChecksums) {
        bytes.push_back(uint8_t(sum));
        bytes.push_back(uint8_t(sum >> 8));
    }
    return uint32_t(Fingerprint(bytes.data(), bytes.size())) | 1u;
}

SongKey KeyOf(const DirectoryEntry& entry)
{
    return {entry.firstBlock(), entry.blockCount(), entry.size(), uint32_t(entry.uploadTime())};
}

void PrintBook::Note(const SongKey& key, uint32_t print)
{
    if (print != 0)
        m_prints[key] = print;
}

void PrintBook::Offer(const SongKey& key, uint32_t print)
{
    if (print != 0)
        m_prints.emplace(key, print);
}

void PrintBook::Learn(const PrintBook& other)
{
    for (const auto& known : other.m_prints)
        m_prints.insert(known);
}

uint32_t PrintBook::PrintOf(const SongKey& key) const
{
    const auto known = m_prints.find(key);
    return known == m_prints.end() ? 0 : known->second;
}

bool PrintBook::Knows(uint32_t print) const
{
    return std::any_of(m_prints.begin(), m_prints.end(), [print](const auto& known) { return known.second == print; });
}
