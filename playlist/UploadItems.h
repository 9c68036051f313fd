#pragma once
// What the user names for an upload (files, folders, playlists) as the files
// it stands for, in order, each examined (audio/AudioFile.h): a playlist
// stands for the files it lists, in its order; a folder for its audio files
// by their track-number tags (disc first, when they have one), then by name,
// and then for its folders, by name. A file named on its own is kept
// whatever it holds, so that the plan can say why it is refused; a folder's
// files that are no audio (a cover picture, a playlist of the same songs)
// are left out with a note, unless named as audio ("song.mp3" empty or
// damaged): those stay, to be refused with the reason.

#include <string>
#include <vector>

#include "audio/AudioFile.h"

class PlaylistText;

struct UploadItems {
    std::vector<AudioFileFacts> files;
    std::vector<std::string> notes;    // what was left out on purpose, and why
    std::vector<std::string> problems; // playlists and folders that could not be read: the files stand for less
};

UploadItems ExpandUploadItems(const std::vector<std::string>& items, const PlaylistText& text);

// Whether a file's name says it holds a song ("song.mp3", "track.FLAC").
bool NamedAsAudio(const std::string& name);

// An album's order: by disc and track; files without a track number after
// those with one, by name.
bool TrackOrderBefore(const AudioFileFacts& a, const AudioFileFacts& b);

// Names as a person orders them: "track 2" before "track 10", and case
// left aside.
bool NameOrderBefore(const std::string& a, const std::string& b);
