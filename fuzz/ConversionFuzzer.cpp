// Damaged audio files of every container through what the upload does with
// a file before the player is touched: the examination (MPEG content, tags,
// FFmpeg's probe), the plan, and the conversion to MP3 or the copy without
// tags. Crashes, hangs, leaks and stray reads are the sanitizers' and
// libFuzzer's to catch; beyond them it fails when a conversion reports
// success with no MP3 frames written, or leaves its temporary file behind.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "audio/AudioFile.h"
#include "audio/Conversion.h"
#include "audio/MpegContent.h"
#include "audio/TagStrip.h"
#include "audio/TemporaryFile.h"
#include "commands/UploadPlan.h"

namespace {

// Enough for a minute and a half of sound: a tiny file that decodes to
// hours is slow, not stuck, and would only pass for a hang here.
constexpr int kMostSteps = 400;

std::string Folder()
{
    static const std::string folder = [] {
        const std::string path =
            (std::filesystem::temp_directory_path() / ("mellifon-convfuzz-" + std::to_string(getpid()))).string();
        std::filesystem::create_directories(path);
        setenv("TMPDIR", path.c_str(), 1);
        return path;
    }();
    return folder;
}

[[noreturn]] void Finding(const char* what)
{
    std::fprintf(stderr, "finding: %s\n", what);
    std::abort();
}

bool HoldsMp3(const std::string& path, uint64_t size)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    MpegContent content;
    const bool found = file && FindMpegContent(file, size, &content);
    if (file)
        std::fclose(file);
    return found && content.stream.layer == 3 && content.stream.sampleRate == kOutputSampleRate;
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input = Folder() + "/input";
    std::ofstream(input, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), std::streamsize(size));
    UploadOptions options;
    options.stripTags = size > 0 && (data[size - 1] & 1);
    options.kbps = size > 0 && (data[size - 1] & 2) ? 64 : 0;
    const UploadPlan plan = PlanUpload({ExamineAudioFile(input)}, options, 1000, 1);
    const PlannedFile& file = plan.files[0];
    std::string path;
    {
        TemporaryFile output(".mp3");
        path = output.Path();
        if (file.action == UploadAction::Convert) {
            ConversionJob job(input, output.Path(), file.conversion);
            int steps = 0;
            while (job.Step() == ConversionJob::State::Working && ++steps < kMostSteps) {
            }
            std::error_code error;
            if (job.Current() == ConversionJob::State::Done && !HoldsMp3(output.Path(), std::filesystem::file_size(output.Path(), error)))
                Finding("a conversion that succeeded wrote no MP3 frames");
        } else if (file.action == UploadAction::StoreWithoutTags || file.action == UploadAction::StoreFromFirstFrame) {
            std::string problem;
            const uint64_t end = file.action == UploadAction::StoreWithoutTags ? file.facts.framesEnd : size;
            if (end < file.facts.content.firstFrame || end > size)
                Finding("the frames lie outside the file");
            CopyAudioFrames(input, file.facts.content.firstFrame, end, output.Path(), &problem);
        }
    }
    if (std::filesystem::exists(path))
        Finding("a temporary file was left behind");
    return 0;
}
