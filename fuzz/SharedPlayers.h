#pragma once
// Two PCs on one player (each with its own copies), or two players on one
// PC (one folder of copies for both), of 4, 1, 16 or 32 MiB: a script of up
// to eight steps, each a fresh run of the program by one PC (or on one
// player) that loads the directory and does one thing: load, download,
// remove, upload, rename, move, initialize, undo, rescue, sync with a list,
// or upload a list through its plan (a batch, with a WAV to convert). The
// power goes once, somewhere in one step, and Ctrl+C comes once, somewhere
// in one step, both where the input says; after a cut each PC loads the
// player afresh. A player left damaged stays in the script: an initialize,
// a rescue or another PC's repair may bring it back.
//
// Input: byte 0 names the scenario (high bits) and the step cut (low four
// bits; none when beyond the script). Byte 1 and byte 2's bits 0-1 and 4-5
// give the flash operations into that step before the cut (12 bits); byte
// 2's bits 2-3 the player's size (4, 1, 16, 32 MiB), bit 7 which PC loads
// first after the cut, and bit 6 that a stop follows in bytes 3 and 4: the
// step (low four bits of byte 3) and the page operations into it before the
// Ctrl+C (12 bits: the high four of byte 3, then byte 4). Then two bytes a
// step: the actor in bit 7 and the operation in the others, then a song, a
// slot or a file. A sync and a batch take one to eight files, one more than
// the low three bits of that byte say, or none when it is 0xFF (a list of
// no songs is one case, not an eighth of all lists); a byte for each file
// follows. Bit 3 makes a batch store duplicates, bit 4 either store the
// head of its list that fits.
//
// Checked after every step, against a fresh load by each PC:
// - a step that reports success (the tool's exit status 0) is borne out:
//   the directory is sound and holds what the step made, and the list the
//   program shows afterwards is the player's; a download gives the song's
//   bytes; a sync of an empty list is refused;
// - every load lists the state before the step or one the step may leave
//   (or reports damage and writes nothing), the same for both PCs: no song
//   leaves unless the user's command removed it, and a rescue keeps every
//   song the player held (unless the directory is full);
// - every song listed is byte for byte a file that was stored (or, for one
//   a rescue could not name, as the rescue measures it), never one of the
//   other player;
// - the figures a batch's and a sync's closing line print (songs, bytes
//   stored, memory free) are the player's.

#include <cstddef>
#include <cstdint>

struct World;

void RunOnSharedPlayers(World& w, bool twoPlayers, const uint8_t* data, size_t size);
