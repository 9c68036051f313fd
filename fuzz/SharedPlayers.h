#pragma once
// Two PCs on one player (each with its own copies), or two players on one
// PC (one folder of copies for both): a script of up to eight steps, each a
// fresh run of the program by one PC (or on one player) that loads the
// directory and does one thing: load, download, remove, upload, rename,
// move, initialize, undo or rescue. The power goes once, somewhere in one
// step, chosen by the input; then each PC loads the player afresh.
//
// Input: byte 0 names the scenario (high bits) and the step cut (low four
// bits; none when beyond the script); bytes 1 and 2 the flash operations
// into that step before the cut (10 bits) and, in bit 7 of byte 2, which PC
// loads first after it; then two bytes a step: the actor in bit 7 and the
// operation in the others, then a song, a slot or a file.
//
// Checked: a step that reports success (an undo and a rescue too) is borne
// out by a fresh load, a download by the song's bytes; every load lists the
// state before the step or after it (or reports damage and writes nothing),
// the same for both PCs, never a song with another song's bytes, never a
// song of the other player.

#include <cstddef>
#include <cstdint>

struct World;

void RunOnSharedPlayers(World& w, bool twoPlayers, const uint8_t* data, size_t size);
