// Taking one song out of the directory image: free its chain, close the gap.

#include <cstring>

#include "link/DeviceLink.h"

int DeviceLink::RemoveSong(int index)
{
    const int songs = m_image.entryCount();
    // Slots beyond the sixtieth would lie in the block tables.
    if (songs > DirectoryImage::kEntrySlots)
        return 0;
    if (songs == 1) {
        InitializeDirectory();
        return 1;
    }
    if (index < 0 || index >= songs)
        return 0;

    DirectoryEntry entry = m_image.Entry(index);
    unsigned block = entry.firstBlock();
    for (int i = 0; i < entry.blockCount(); ++i) {
        // Block 0 never follows another block: a chain that reaches it, or
        // leaves the memory, is damaged, and freeing it would free the directory.
        if (!m_image.IsSongBlock(block) || m_image.blockUse(block) == DirectoryImage::kBlockFree)
            return 0;
        m_image.SetBlockUse(block, DirectoryImage::kBlockFree);
        m_image.SetUsedBlocks(uint16_t(m_image.usedBlocks() - 1));
        m_image.SetFreeBlocks(uint16_t(m_image.freeBlocks() + 1));
        block = m_image.blockLink(block);
    }

    for (int slot = index; slot + 1 < songs; ++slot)
        std::memcpy(m_image.Entry(slot).Bytes(), m_image.Entry(slot + 1).Bytes(), DirectoryEntry::kSize);
    m_image.Entry(songs - 1).Clear();
    m_image.SetEntryCount(uint16_t(songs - 1));
    return 1;
}
