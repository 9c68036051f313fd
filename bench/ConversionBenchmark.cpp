// What conversion costs: converting a generated 4-minute 44.1 kHz stereo FLAC
// to 128 kbps MP3 against FFmpeg's own command doing the same, in the same
// run; the peak memory of 'mellifon-cli upload' of a 10-minute FLAC against
// 'mellifon-cli list' (with --level too); the time of a levelled conversion
// (measured first) against a plain one; and the share of a converted batch's time that
// conversion takes when the port work runs on a real player (a microsecond
// an access, counted on the simulated player).
//
// Usage: mellifon_conversion_benchmark [FOLDER]   (default: a temporary folder)
// The conversion is timed twice: as the programs run, and with both on one
// processor (FFmpeg decodes in threads of its own, which on a busy machine
// earn it a larger share of the processors). Exits 1 when conversion takes
// more than 1.1 times FFmpeg's time on one processor, a levelled one more than
// 1.3 times a plain one, or an upload more than 16 MB beyond the listing.

#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "CountingPorts.h"
#include "SteppingUi.h"
#include "audio/AudioFile.h"
#include "audio/Conversion.h"
#include "audio/Levelling.h"
#include "audio/LoudnessMeter.h"
#include "link/DeviceLink.h"
#include "simulator/FactoryImage.h"
#include "simulator/FlashMemory.h"
#include "simulator/SimulatedPlayer.h"
#include "commands/BatchUpload.h"
#include "commands/SongCommands.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

bool Run(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

// Levelled: a measuring pass over the sound, then the conversion with its gain.
double LevelOnce(const std::string& source, const std::string& target)
{
    const auto start = Clock::now();
    LoudnessMeter meter(kOutputSampleRate, 2);
    ConversionJob measure(source, meter, ConversionSettings{});
    while (measure.Step() == ConversionJob::State::Working) {
    }
    SoundLevel level;
    if (measure.Current() != ConversionJob::State::Done || !meter.Integrated(&level.lufs)) {
        std::fprintf(stderr, "measuring failed: %s\n", measure.Problem().c_str());
        std::exit(1);
    }
    level.peak = meter.SamplePeak();
    ConversionSettings settings;
    settings.gainDb = LevellingGain(level);
    ConversionJob job(source, target, settings);
    while (job.Step() == ConversionJob::State::Working) {
    }
    if (job.Current() != ConversionJob::State::Done) {
        std::fprintf(stderr, "levelled conversion failed: %s\n", job.Problem().c_str());
        std::exit(1);
    }
    return Seconds(start);
}

// Processor time used so far by this process, or by its children that ended.
double CpuSeconds(int who)
{
    struct rusage usage = {};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

double ConvertOnce(const std::string& source, const std::string& target)
{
    const auto start = Clock::now();
    ConversionJob job(source, target, ConversionSettings{});
    while (job.Step() == ConversionJob::State::Working) {
    }
    if (job.Current() != ConversionJob::State::Done) {
        std::fprintf(stderr, "conversion failed: %s\n", job.Problem().c_str());
        std::exit(1);
    }
    return Seconds(start);
}

// The child's peak resident memory in KiB.
long PeakMemory(const std::vector<std::string>& words)
{
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        std::vector<char*> argv;
        for (const std::string& w : words)
            argv.push_back(const_cast<char*>(w.c_str()));
        argv.push_back(nullptr);
        freopen("/dev/null", "w", stdout);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage = {};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s %s failed\n", words[0].c_str(), words[3].c_str());
        std::exit(1);
    }
    return usage.ru_maxrss;
}

// The port accesses of storing this file as the tool does, with the
// directory's save and the list's refill.
int64_t PortAccesses(const std::string& mp3)
{
    FlashMemory flash(1024);
    MakeFactoryFresh(flash);
    SimulatedPlayer player(flash);
    player.UseVirtualClock(true);
    CountingPorts ports(&player);
    SteppingUi ui;
    DeviceLink link;
    link.AttachPorts(&ports);
    link.AttachUserInterface(&ui);
    link.SetPort(0x378);
    ReloadingList list(link);
    SongCommands commands(link, list);
    ReloadDirectory(link);
    ports.Reset();
    const UploadPlan plan = PlanUpload({ExamineAudioFile(mp3)}, {}, link.m_image.freeBlocks(), 0);
    if (RunUploadPlan(link, commands, plan).stored != 1) {
        std::fprintf(stderr, "the converted file was not stored\n");
        std::exit(1);
    }
    return ports.ins + ports.outs;
}

}

int main(int argc, char** argv)
{
    const std::string folder =
        argc > 1 ? argv[1] : (std::filesystem::temp_directory_path() / "mellifon-conversion-bench").string();
    std::filesystem::create_directories(folder);
    const std::string four = folder + "/four.flac", ten = folder + "/ten.flac";
    // Pink noise and a tone: sound an encoder has to work at.
    if (!Run("sox -V1 -n -r 44100 -c 2 -b 16 '" + four + "' synth 240 pinknoise sine 440 vol 0.4") ||
        !Run("sox -V1 -n -r 44100 -c 2 -b 16 '" + ten + "' synth 600 pinknoise vol 0.4"))
        return 1;

    // Turn about, best of three each: the machine's other work evens out.
    const std::string ours = folder + "/ours.mp3", theirs = folder + "/theirs.mp3";
    const std::string ffmpeg = "ffmpeg -v error -y -i '" + four + "' -c:a libmp3lame -b:a 128k '" + theirs + "'";
    double ratio = 0, best = 0;
    for (bool oneProcessor : {false, true}) {
        if (oneProcessor) {
            // FFmpeg decodes in threads of its own, and on a busy machine
            // each thread is one more claim on the processors; on one
            // processor both programs get the same share.
            cpu_set_t set;
            CPU_ZERO(&set);
            CPU_SET(sched_getcpu(), &set);
            sched_setaffinity(0, sizeof set, &set);
        }
        double wall = 1e9, wallFfmpeg = 1e9, cpu = 1e9, cpuFfmpeg = 1e9;
        for (int round = 0; round < 3; ++round) {
            const double cpuBefore = CpuSeconds(RUSAGE_SELF);
            wall = std::min(wall, ConvertOnce(four, ours));
            cpu = std::min(cpu, CpuSeconds(RUSAGE_SELF) - cpuBefore);
            const double childrenBefore = CpuSeconds(RUSAGE_CHILDREN);
            const auto start = Clock::now();
            if (!Run(ffmpeg))
                return 1;
            wallFfmpeg = std::min(wallFfmpeg, Seconds(start));
            cpuFfmpeg = std::min(cpuFfmpeg, CpuSeconds(RUSAGE_CHILDREN) - childrenBefore);
        }
        ratio = wall / wallFfmpeg;
        if (!oneProcessor)
            best = wall;
        std::printf("4-minute FLAC to 128 kbps MP3%s, best of three: %.2f s (processor %.2f s); "
                    "ffmpeg -c:a libmp3lame -b:a 128k: %.2f s (processor %.2f s); ratio %.2f (at most 1.10)\n",
                    oneProcessor ? " on one processor" : "", wall, cpu, wallFfmpeg, cpuFfmpeg, ratio);
    }
    cpu_set_t all;
    CPU_ZERO(&all);
    for (int i = 0; i < CPU_SETSIZE; ++i)
        CPU_SET(i, &all);
    sched_setaffinity(0, sizeof all, &all);

    double plain = 1e9, levelled = 1e9;
    for (int round = 0; round < 3; ++round) {
        plain = std::min(plain, ConvertOnce(four, ours));
        levelled = std::min(levelled, LevelOnce(four, folder + "/levelled.mp3"));
    }
    const double levelRatio = levelled / plain;
    std::printf("levelled (measured, then converted with its gain), best of three: %.2f s against %.2f s: "
                "ratio %.2f (at most 1.30)\n",
                levelled, plain, levelRatio);

    const std::string cli = MELLIFON_CLI;
    const std::string image = folder + "/player.img";
    std::filesystem::remove(image);
    setenv("XDG_DATA_HOME", (folder + "/data").c_str(), 1);
    const long upload = PeakMemory({cli, "--flash", image, "upload", ten});
    const long list = PeakMemory({cli, "--flash", image, "list"});
    std::filesystem::remove(image);
    const long levelledUpload = PeakMemory({cli, "--flash", image, "upload", "--level", ten});
    const double extra = (std::max(upload, levelledUpload) - list) / 1024.0;
    std::printf("peak memory: upload of a 10-minute FLAC %.1f MB, with --level %.1f MB, list %.1f MB: "
                "%.1f MB more (at most 16)\n",
                upload / 1024.0, levelledUpload / 1024.0, list / 1024.0, extra);

    const int64_t accesses = PortAccesses(ours);
    const double portSeconds = double(accesses) * 1e-6;
    std::printf("a converted 4-minute song: conversion %.2f s, port work on a real player %.1f s (%lld accesses): "
                "conversion is %.1f %% of the batch's time\n",
                best, portSeconds, static_cast<long long>(accesses), 100 * best / (best + portSeconds));
    return ratio <= 1.1 && levelRatio <= 1.3 && extra <= 16 ? 0 : 1;
}
