#pragma once
// A factory-fresh simulated player, a link to it with a scripted user
// interface, and what the storage tests need to look at the result: the
// directory's invariants and the spare bytes of every page written.

#include <string>
#include <vector>

#include "MemoryCopyFolder.h"
#include "ScriptedUi.h"
#include "TestPlayer.h"
#include "storage/safety/DirectoryCopies.h"

struct StoragePlayer : TestPlayer {
    explicit StoragePlayer(int blocks = FlashMemory::kDefaultBlocks);

    // Loads the directory as every fill does; no message expected.
    void Reload();
    DirectoryImage& Image() { return link->m_image; }

    // Writes this directory into block 0 as it stands, as another program
    // would have: no shadow, no copy on this PC.
    void PutDirectory(const DirectoryImage& directory);
    // A fresh link on the same player and PC, as after a restart or in
    // another process.
    void Restart();

    ScriptedUi ui;
    MemoryCopyFolder pcFolder;
    DirectoryCopies copies{pcFolder};
};

// Empty when the image keeps every rule of the directory format; otherwise
// the first rule broken.
std::string BrokenInvariant(DirectoryImage& image);

// Empty when every page of block 0 and of each song's chain on the player
// carries the spare bytes the link writes; otherwise the first page that does not.
std::string BadSpareBytes(StoragePlayer& p);

// Song data as the player holds it, following the chain of slot `slot`.
std::vector<uint8_t> StoredSong(StoragePlayer& p, int slot);
