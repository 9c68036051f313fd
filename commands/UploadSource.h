#pragma once
// The files of an upload, handed to the song commands one at a time: each
// made ready before the player is touched (a converted copy, say), then
// stored under its song name and saved on its own.

#include <cstddef>
#include <cstdint>
#include <string>

struct SongFile {
    std::string path;          // what is stored, byte for byte (less a RIFF wrapper)
    std::string name;          // the song's name on the player
    std::string progressTitle; // what the upload's progress says; empty for its usual text
    uint64_t source = 0;       // a fingerprint of the file it comes from (SongIdentity.h); 0: not known
};

class UploadSource {
public:
    virtual ~UploadSource() = default;
    virtual size_t Count() const = 0;
    // Makes file `index` ready; false, after saying why, to pass it over.
    virtual bool Prepare(size_t index, SongFile* file) = 0;
    // How file `index` went, once prepared (or not); false ends the batch.
    virtual bool Finished(size_t index, bool stored) = 0;
};
