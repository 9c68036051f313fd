#include "audio/Tags.h"

#include <taglib/apefooter.h>
#include <taglib/apetag.h>
#include <taglib/fileref.h>
#include <taglib/id3v2frame.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/taglib.h>
#include <taglib/tdebuglistener.h>
#include <taglib/tiostream.h>
#include <taglib/tpropertymap.h>

#include <climits>
#include <mutex>

namespace {

// TagLib's offsets are longs: 2 GB on Windows. A longer file is no song.
constexpr uint64_t kLongestFile = LONG_MAX;

// A read-only stream over a file this program opened: TagLib reads the
// file as the program sees it, by its own handle, whatever its name's
// characters.
class OpenFileStream : public TagLib::IOStream {
public:
    OpenFileStream(std::FILE* file, const std::string& path, uint64_t size)
        : file_(file), path_(path), size_(long(size))
    {
    }
    TagLib::FileName name() const override { return path_.c_str(); }
    TagLib::ByteVector readBlock(unsigned long length) override
    {
        const long at = tell();
        if (at < 0 || at >= size_)
            return TagLib::ByteVector();
        // A damaged tag may claim gigabytes: the file holds no more than its rest.
        if (length > static_cast<unsigned long>(size_ - at))
            length = static_cast<unsigned long>(size_ - at);
        TagLib::ByteVector bytes(static_cast<unsigned int>(length), 0);
        const size_t got = std::fread(bytes.data(), 1, length, file_);
        bytes.resize(static_cast<unsigned int>(got));
        return bytes;
    }
    void writeBlock(const TagLib::ByteVector&) override {}
    void insert(const TagLib::ByteVector&, unsigned long, unsigned long) override {}
    void removeBlock(unsigned long, unsigned long) override {}
    bool readOnly() const override { return true; }
    bool isOpen() const override { return true; }
    void seek(long offset, Position p) override
    {
        const long from = p == Beginning ? 0 : p == Current ? tell() : size_;
        const long to = from + offset;
        std::fseek(file_, to < 0 ? 0 : to, SEEK_SET);
    }
    long tell() const override { return std::ftell(file_); }
    long length() override { return size_; }
    void truncate(long) override {}

private:
    std::FILE* file_;
    std::string path_;
    long size_;
};

// TagLib tells of every oddity it meets on stderr; a damaged tag is
// ordinary here, and what matters is said in the program's own words.
class Silence : public TagLib::DebugListener {
public:
    void printMessage(const TagLib::String&) override {}
};

// Whether TagLib can read a file of this size; it is kept quiet from the first.
bool TagLibReads(uint64_t fileSize)
{
    static Silence silence;
    static std::once_flag once;
    std::call_once(once, [] { TagLib::setDebugListener(&silence); });
    return fileSize <= kLongestFile;
}

std::string Trimmed(const TagLib::String& text)
{
    std::string utf8 = text.to8Bit(true);
    const size_t end = utf8.find_last_not_of(" \t\r\n");
    const size_t start = utf8.find_first_not_of(" \t\r\n");
    return start == std::string::npos ? std::string() : utf8.substr(start, end - start + 1);
}

void ReadFields(const TagLib::Tag* tag, const TagLib::PropertyMap& properties, SongTags* tags)
{
    if (tag) {
        tags->artist = Trimmed(tag->artist());
        tags->title = Trimmed(tag->title());
        tags->track = int(tag->track() > 100000 ? 0 : tag->track());
    }
    const auto field = [&properties](const char* key, double* value) {
        const auto found = properties.find(key);
        return found != properties.end() && !found->second.isEmpty() &&
               ParseTagNumber(found->second.front().to8Bit(true), value);
    };
    double value = 0;
    if (field("DISCNUMBER", &value))
        tags->disc = int(value > 0 && value < 100000 ? value : 0);
    if (field("REPLAYGAIN_TRACK_GAIN", &value) && value > -60 && value < 60) {
        tags->loudnessTagged = true;
        tags->taggedLufs = -18.0 - value;
    } else if (field("R128_TRACK_GAIN", &value) && value > -32768 && value < 32768) {
        tags->loudnessTagged = true;
        tags->taggedLufs = -23.0 - value / 256.0; // Q7.8 fixed point
    }
    if (tags->loudnessTagged && field("REPLAYGAIN_TRACK_PEAK", &value) && value > 0 && value < 100)
        tags->taggedPeak = value;
}

// The attached pictures of an ID3v2 tag, with their frames' headers.
uint64_t PictureBytes(TagLib::ID3v2::Tag* tag)
{
    uint64_t bytes = 0;
    const unsigned int version = tag->header()->majorVersion();
    for (const TagLib::ID3v2::Frame* frame : tag->frameList("APIC"))
        bytes += (version == 2 ? 6 : 10) + frame->size();
    return bytes;
}

}

SongTags ReadMpegTags(std::FILE* file, const std::string& path, uint64_t fileSize)
{
    SongTags tags;
    if (!TagLibReads(fileSize))
        return tags;
    OpenFileStream stream(file, path, fileSize);
    TagLib::MPEG::File mpeg(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    if (!mpeg.isValid())
        return tags;
    ReadFields(mpeg.tag(), mpeg.properties(), &tags);
    if (mpeg.hasID3v2Tag()) {
        tags.leadingBytes = mpeg.ID3v2Tag()->header()->completeTagSize();
        tags.pictureBytes = PictureBytes(mpeg.ID3v2Tag());
    }
    if (mpeg.hasID3v1Tag())
        tags.trailingBytes = 128;
    // The APE tag lies before an ID3v1 tag, or ends the file; one that claims
    // more than the file holds after the leading tag is taken as none.
    if (mpeg.hasAPETag()) {
        const uint64_t ape = mpeg.APETag()->footer()->completeTagSize();
        if (tags.leadingBytes + tags.trailingBytes + ape <= fileSize)
            tags.trailingBytes += ape;
    }
    if (tags.leadingBytes + tags.trailingBytes > fileSize)
        tags.leadingBytes = tags.trailingBytes = 0;
    return tags;
}

SongTags ReadTags(std::FILE* file, const std::string& path, uint64_t fileSize)
{
    SongTags tags;
    if (!TagLibReads(fileSize))
        return tags;
    OpenFileStream stream(file, path, fileSize);
    TagLib::FileRef ref(&stream, false);
    if (!ref.isNull())
        ReadFields(ref.tag(), ref.file()->properties(), &tags);
    return tags;
}

bool ParseTagNumber(const std::string& text, double* value)
{
    size_t at = text.find_first_not_of(" \t");
    if (at == std::string::npos)
        return false;
    const bool negative = text[at] == '-';
    if (text[at] == '-' || text[at] == '+')
        ++at;
    double number = 0, scale = 1;
    bool digits = false, fraction = false;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '.' || c == ',') {
            if (fraction)
                break;
            fraction = true;
        } else if (c >= '0' && c <= '9' && number < 1e9) {
            digits = true;
            if (fraction)
                number += (c - '0') * (scale /= 10);
            else
                number = number * 10 + (c - '0');
        } else {
            break;
        }
    }
    if (!digits)
        return false;
    *value = negative ? -number : number;
    return true;
}

int TagNumber(const std::string& text)
{
    size_t at = 0;
    while (at < text.size() && text[at] == ' ')
        ++at;
    long value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9' && value < 100000; ++at)
        value = value * 10 + (text[at] - '0');
    return int(value);
}

std::string TagLibraryVersion()
{
    return "TagLib " + std::to_string(TAGLIB_MAJOR_VERSION) + "." + std::to_string(TAGLIB_MINOR_VERSION) + "." +
           std::to_string(TAGLIB_PATCH_VERSION);
}
