#include "audio/MpegContent.h"

#include <cstring>
#include <vector>

#include "audio/AudioFrame.h"

namespace {

bool SameStream(uint32_t a, uint32_t b)
{
    return IsFrameHeader(b) && (a & kStreamBits) == (b & kStreamBits);
}

// Where the ID3v2 tags from `position` on end (some taggers leave an older
// one behind the one they write).
uint64_t TagsEnd(std::FILE* file, uint64_t fileSize, uint64_t position)
{
    uint8_t tag[10];
    while (position + sizeof tag <= fileSize && std::fseek(file, long(position), SEEK_SET) == 0 &&
           std::fread(tag, 1, sizeof tag, file) == sizeof tag) {
        const uint32_t length = Id3v2TagLength(tag);
        if (length == 0 || position + length > fileSize)
            break;
        position += length;
    }
    return position;
}

}

// A chance header in junk is common; two more in a row where the lengths
// say, of the same stream, are not. A file that ends where a frame ends
// confirms it too.
long FindConfirmedFrame(const uint8_t* data, size_t size, size_t window, uint64_t offset, uint64_t fileSize)
{
    for (size_t at = 0; at <= window && at + 4 <= size; ++at) {
        const uint32_t h = ReadU32BE(data + at);
        const size_t length = FrameLength(h);
        if (length == 0)
            continue; // no header, or free format: no length to confirm
        size_t next = at + length;
        bool confirmed = false;
        for (int followers = 0; followers < 2; ++followers) {
            if (offset + next == fileSize) {
                confirmed = true;
                break;
            }
            if (next + 4 > size || !SameStream(h, ReadU32BE(data + next))) {
                confirmed = followers > 0 && next + 4 > size;
                break;
            }
            confirmed = true;
            next += FrameLength(ReadU32BE(data + next));
        }
        if (confirmed)
            return long(at);
    }
    return -1;
}

bool FindMpegContent(std::FILE* file, uint64_t fileSize, MpegContent* content)
{
    uint8_t head[kRiffProbeBytes] = {};
    if (std::fseek(file, 0, SEEK_SET) != 0)
        return false;
    const size_t got = std::fread(head, 1, sizeof head, file);
    uint64_t start = 0;
    size_t window = kLongestFrame;
    content->riffWrapped = RiffWrapsMpeg(head, got);
    if (content->riffWrapped) {
        start = kRiffWrapperBytes;
        window = 0; // the wrapper says where the frames are
    }
    if (got >= start + 10 && Id3v2TagLength(head + start) != 0) {
        start = TagsEnd(file, fileSize, start);
        window = kSearchWindow;
    }
    if (start >= fileSize || std::fseek(file, long(start), SEEK_SET) != 0)
        return false;
    std::vector<uint8_t> bytes(window + 3 * kLongestFrame);
    const size_t read = std::fread(bytes.data(), 1, bytes.size(), file);
    const long at = FindConfirmedFrame(bytes.data(), read, window, start, fileSize);
    if (at < 0)
        return false;
    content->header = ReadU32BE(bytes.data() + at);
    content->firstFrame = start + uint64_t(at);
    content->strayBytes = uint64_t(at);
    return DescribeFrameHeader(content->header, &content->stream);
}
