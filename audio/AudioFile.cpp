#include "audio/AudioFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "files/FilePtr.h"
#include "audio/AudioProbe.h"
#include "files/FileSize.h"

namespace {

void ExamineMpeg(std::FILE* file, AudioFileFacts* facts)
{
    facts->mpeg = true;
    facts->format = StreamText(facts->content.stream);
    if (!facts->content.riffWrapped)
        facts->tags = ReadMpegTags(file, facts->path, facts->size);
    facts->framesEnd = facts->size - facts->tags.trailingBytes;
    if (facts->framesEnd < facts->content.firstFrame)
        facts->framesEnd = facts->size;
    const uint64_t frameBytes = facts->framesEnd - facts->content.firstFrame;
    const bool plays = PlayerPlays(facts->content.stream);
    facts->kind = plays ? AudioKind::PlayerPlays : AudioKind::Convertible;
    // The libraries read a VBR file's frame count; without them, the first
    // frame's bit rate stands for the whole.
    const LibraryProbe probe = ConversionAvailable() ? ProbeWithLibraries(facts->path) : LibraryProbe();
    if (probe.audio && probe.seconds > 0)
        facts->seconds = probe.seconds;
    else if (facts->content.stream.kbps > 0)
        facts->seconds = double(frameBytes) * 8 / (facts->content.stream.kbps * 1000.0);
    // The average bit rate; near the first frame's, the stream is taken as
    // constant (the encoder's header frame and delay account for the rest).
    if (facts->seconds > 0)
        facts->kbps = int(double(frameBytes) * 8 / facts->seconds / 1000 + 0.5);
    const int first = facts->content.stream.kbps;
    if (first > 0 && facts->kbps > first * 97 / 100 && facts->kbps < first * 103 / 100)
        facts->kbps = first;
    if (!plays && !ConversionAvailable()) {
        facts->kind = AudioKind::NotAudio;
        facts->problem = "the player does not play " + facts->format + ", and " + probe.problem;
        facts->detail = probe.detail;
    }
}

}

AudioFileFacts ExamineAudioFile(const std::string& path)
{
    AudioFileFacts facts;
    facts.path = path;
    if (IsFolder(path.c_str())) {
        facts.problem = "a folder, not a file";
        return facts;
    }
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        facts.problem = std::string("cannot be opened: ") + std::strerror(errno);
        return facts;
    }
    uint64_t size = 0;
    if (!RegularFileSize(file.get(), &size)) {
        facts.problem = "not a file of its own (its size is unknown)";
        return facts;
    }
    facts.size = size;
    if (size == 0) {
        facts.kind = AudioKind::Empty;
        facts.problem = "the file is empty";
        return facts;
    }
    if (FindMpegContent(file.get(), facts.size, &facts.content)) {
        ExamineMpeg(file.get(), &facts);
        return facts;
    }
    const LibraryProbe probe = ProbeWithLibraries(path);
    if (!probe.audio) {
        facts.kind = AudioKind::NotAudio;
        // A song whose audio broke may keep its tags, and with them the name
        // it was stored under.
        facts.tags = ReadTags(file.get(), path, facts.size);
        facts.problem = ConversionAvailable() ? probe.problem
                                              : "not MPEG audio the player plays, and " + probe.problem;
        facts.detail = probe.detail;
        return facts;
    }
    facts.kind = AudioKind::Convertible;
    facts.format = probe.format;
    facts.seconds = probe.seconds;
    facts.tags = ReadTags(file.get(), path, facts.size);
    return facts;
}
