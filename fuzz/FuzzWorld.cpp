#include "fuzz/FuzzWorld.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>

#include "audio/Conversion.h"
#include "format/PageFormat.h"
#include "link/PortStop.h"
#include "simulator/FactoryImage.h"
#include "commands/UploadPlan.h"

void Finding(const std::string& what)
{
    std::fprintf(stderr, "finding: %s\n", what.c_str());
    std::abort();
}

void Trace(const std::string& what)
{
    static const bool verbose = [] {
        const char* value = std::getenv("MELLIFON_FUZZ_VERBOSE");
        return value && *value && std::strcmp(value, "0") != 0;
    }();
    if (verbose)
        std::fprintf(stderr, "  %s\n", what.c_str());
}

Wire ChosenWire()
{
    static const Wire wire = [] {
        const char* value = std::getenv("MELLIFON_FUZZ_WIRE");
        return value && std::strcmp(value, "registers") == 0 ? Wire::Registers : Wire::Pages;
    }();
    return wire;
}

uint64_t PrintOf(const std::vector<uint8_t>& bytes)
{
    BytesPrint print;
    print.Add(bytes.data(), bytes.size());
    return print.Value();
}

Song SongOf(const std::string& name, const std::vector<uint8_t>& bytes)
{
    Song song{name, uint32_t(bytes.size()), PrintOf(bytes), 0};
    if (bytes.empty())
        return song;
    // As the rescue measures it.
    const size_t last = (bytes.size() - 1) / kBlockSize * kBlockSize;
    size_t end = bytes.size();
    while (end > last && bytes[end - 1] == 0)
        --end;
    std::vector<uint8_t> measured(bytes.begin(), bytes.begin() + std::ptrdiff_t(end));
    if (end == last)
        measured.resize(last + kBlockSize, 0);
    song.measured = PrintOf(measured);
    return song;
}

std::string Names(const std::vector<Song>& songs)
{
    std::string names;
    for (const Song& song : songs)
        names += (names.empty() ? "" : ", ") + song.name + " (" + std::to_string(song.size) + " bytes)";
    return "[" + names + "]";
}

// What the player holds now, where it was written since it was factory fresh.
void FuzzPlayer::Commit()
{
    for (std::vector<uint8_t>& page : master)
        page.clear();
    for (uint32_t page = 0; page < kPagesPerBlock; ++page)
        Touch(page);
    for (uint32_t page : touched) {
        const uint8_t* raw = flash.RawPage(page);
        if (!RawPageErased(raw))
            master[page].assign(raw, raw + kRawPageSize);
    }
    for (uint32_t page : touched)
        isTouched[page] = 0;
    touched.clear();
}

// A program or erase beyond the flash reached no chip and changed nothing.
void FuzzPlayer::Touch(const std::vector<FlashOperation>& operations)
{
    for (const FlashOperation& op : operations) {
        if (op.page >= flash.Pages())
            continue;
        if (op.kind == FlashOperation::Program)
            Touch(op.page);
        if (op.kind == FlashOperation::Erase)
            for (uint32_t page = op.page; page < op.page + kPagesPerEraseUnit; ++page)
                Touch(page);
    }
}

void FuzzPlayer::Restore()
{
    static const std::vector<uint8_t> erased(kRawPageSize, 0xFF);
    for (uint32_t page : touched)
        flash.StorePage(page, master[page].empty() ? erased.data() : master[page].data());
    for (uint32_t page : touched)
        isTouched[page] = 0;
    touched.clear();
}

void FuzzUi::ShowMessage(const std::string& text)
{
    Trace("says: " + text);
}

bool FuzzUi::AskYesNo(const std::string&)
{
    return !PortStopRequested();
}

int FuzzUi::RunTransfer(TransferStep& step)
{
    if (PortStopRequested())
        return kTransferCancel;
    std::optional<PortStopHold> hold;
    if (!step.UserMayCancel()) {
        hold.emplace();
        ++m_nHolds;
    }
    struct : ProgressBar {
        void SetPos(int) override {}
    } bar;
    int result = kTransferCancel;
    for (int steps = 0; steps < 400 && !step.Stalled() && !(step.UserMayCancel() && PortStopRequested()); ++steps) {
        const StepOutcome outcome = step.Step(bar);
        if (outcome != StepOutcome::Continue) {
            result = outcome == StepOutcome::EndOk ? kTransferOk : kTransferCancel;
            break;
        }
    }
    if (hold)
        --m_nHolds;
    return result;
}

// Ctrl+C on the wire. Through the register cycles the tool's own stoppable
// ports stand in front of it; page by page it does what they do: once the
// stop is asked for, nothing reaches the player but a directory save's
// pages, and reads and waits fail. The operation that reaches the count
// takes effect on the flash but fails for the link, stopped halfway in it.
class StopWire : public PageDevice, public PortIo {
public:
    StopWire(const FuzzUi& ui, PagePlayer* pages, SimulatedPlayer* wire) : m_ui(ui), m_pPages(pages), m_pWire(wire) {}

    int OpenLink() override { return Stopped() ? 1 : m_pPages->OpenLink(); }
    int CloseLink() override { return Stopped() ? 1 : m_pPages->CloseLink(); }
    int WaitReady() override { return Stopped() ? 0 : m_pPages->WaitReady(); }
    int ReadPage(uint32_t page, uint8_t* destination, int keep) override
    {
        return Stopped() ? 0 : Counted(m_pPages->ReadPage(page, destination, keep));
    }
    int ProgramPage(uint32_t page, const uint8_t* data, const uint8_t* spare) override
    {
        return Stopped() ? 0 : Counted(m_pPages->ProgramPage(page, data, spare));
    }
    int EraseUnit(uint32_t page) override { return Stopped() ? 0 : Counted(m_pPages->EraseUnit(page)); }

    void Out(uint16_t port, uint8_t value) override
    {
        m_pWire->Out(port, value);
        Reached();
    }
    uint8_t In(uint16_t port) override
    {
        Reached();
        return m_pWire->In(port);
    }
    long Clock() override { return m_pWire->Clock(); }

    long stopAfter = -1;
    StoppablePorts ports{*this};

private:
    bool Reached()
    {
        const size_t done = m_pPages ? m_pPages->Operations().size() : m_pWire->Operations().size();
        if (stopAfter < 0 || PortStopRequested() || long(done) < stopAfter)
            return false;
        RequestPortStop();
        return true;
    }
    bool Stopped() const { return PortStopRequested() && !m_ui.Holding(); }
    int Counted(int result) { return Reached() && Stopped() ? 0 : result; }

    const FuzzUi& m_ui;
    PagePlayer* m_pPages;
    SimulatedPlayer* m_pWire;
};

FuzzSession::FuzzSession(FuzzPlayer& player, FuzzPc& pc) : copies(*pc.copies), m_player(player)
{
    if (ChosenWire() == Wire::Registers) {
        m_pWire = std::make_unique<SimulatedPlayer>(player.flash);
        m_pWire->UseVirtualClock(true);
        m_pStop = std::make_unique<StopWire>(ui, nullptr, m_pWire.get());
        link.AttachPorts(&m_pStop->ports);
    } else {
        m_pPages = std::make_unique<PagePlayer>(player.flash);
        m_pStop = std::make_unique<StopWire>(ui, m_pPages.get(), nullptr);
        link.AttachPorts(m_pPages.get());
        link.AttachPageDevice(m_pStop.get());
    }
    link.AttachUserInterface(&ui);
    link.AttachDirectoryCopies(&copies);
    link.SetPort(0x378);
}

FuzzSession::~FuzzSession()
{
    m_player.Touch(Operations());
}

PlayerFaults& FuzzSession::Faults()
{
    return m_pWire ? m_pWire->Faults() : m_pPages->Faults();
}

long FuzzSession::PageReads() const
{
    return m_pWire ? m_pWire->PageReads() : m_pPages->PageReads();
}

bool FuzzSession::PoweredOff() const
{
    return m_pWire ? m_pWire->PoweredOff() : m_pPages->PoweredOff();
}

const std::vector<FlashOperation>& FuzzSession::Operations() const
{
    return m_pWire ? m_pWire->Operations() : m_pPages->Operations();
}

bool FuzzSession::Wrote() const
{
    for (const FlashOperation& op : Operations())
        if (op.kind != FlashOperation::Read)
            return true;
    return false;
}

void FuzzSession::StartOperation(long reads)
{
    Faults().absent = false;
    Faults().unplugAfterReads = reads < 0 ? -1 : PageReads() + reads;
}

void FuzzSession::StopAfter(long operations)
{
    m_pStop->stopAfter = operations;
    if (operations == 0)
        RequestPortStop();
}

Shown ShownOf(const DirectoryImage& image)
{
    Shown shown;
    shown.count = image.entryCount();
    shown.freeBlocks = image.freeBlocks();
    shown.totalBlocks = image.totalBlocks();
    for (int slot = 0; slot < image.entryCount() && slot < DirectoryImage::kEntrySlots; ++slot) {
        shown.songs.emplace_back(image.Entry(slot).name(), image.Entry(slot).size());
        shown.songBlocks += image.Entry(slot).blockCount();
    }
    return shown;
}

std::string MemoryWrong(const Shown& shown, int playerBlocks)
{
    const int free = shown.totalBlocks - shown.songBlocks - (shown.count > 0 ? 1 : 0);
    if (shown.totalBlocks == playerBlocks && shown.freeBlocks == free)
        return std::string();
    return "the directory counts " + std::to_string(shown.totalBlocks) + " blocks, " +
           std::to_string(shown.freeBlocks) + " of them free, on a player of " + std::to_string(playerBlocks) +
           " blocks whose songs take " + std::to_string(shown.songBlocks);
}

std::string Text(const Shown& shown)
{
    std::string songs;
    for (const auto& [name, size] : shown.songs)
        songs += (songs.empty() ? "" : ", ") + name + " (" + std::to_string(size) + " bytes)";
    return std::to_string(shown.count) + " songs [" + songs + "], " + std::to_string(shown.freeBlocks) +
           " blocks free";
}

Listing ListingOf(FuzzSession& session, FlashMemory& flash, bool loaded)
{
    Listing listing;
    listing.damaged = !loaded || session.link.DirectoryDamaged();
    listing.wrote = session.Wrote();
    const DirectoryImage& image = session.link.m_image;
    listing.shown = ShownOf(image);
    for (int slot = 0; slot < image.entryCount() && slot < DirectoryImage::kEntrySlots; ++slot) {
        const DirectoryEntry entry = image.Entry(slot);
        // As a download gives it: the size the list shows, when the chain
        // has the blocks for it. A damaged directory may claim more memory
        // than the player has: what lies beyond its end is no song's.
        BytesPrint print;
        size_t left = entry.size();
        unsigned block = entry.firstBlock();
        for (int i = 0; i < entry.blockCount() && left > 0 && image.IsSongBlock(block) && block < unsigned(flash.Blocks());
             ++i) {
            for (int page = 0; page < kPagesPerBlock && left > 0; ++page) {
                const size_t bytes = std::min<size_t>(left, kPageSize);
                print.Add(flash.RawPage(uint32_t(block) * kPagesPerBlock + uint32_t(page)), bytes);
                left -= bytes;
            }
            block = image.blockLink(block);
        }
        listing.songs.push_back({entry.name(), uint32_t(entry.size() - left), print.Value(), 0});
    }
    return listing;
}

Listing FreshListing(FuzzPlayer& player, FuzzPc& pc, long readsAllowed, bool repair)
{
    FuzzSession session(player, pc);
    session.StartOperation(readsAllowed);
    const bool loaded = ReloadDirectory(session.link, repair) != 0;
    return ListingOf(session, player.flash, loaded);
}

std::vector<uint8_t> ReadWhole(const std::filesystem::path& path)
{
    std::vector<uint8_t> bytes;
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file)
        return bytes;
    bytes.resize(size_t(file.tellg()));
    file.seekg(0);
    file.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
    return bytes;
}

bool Unnamed(const Song& song)
{
    return song.name.rfind("Rescued song", 0) == 0;
}

bool Holds(const Song& stored, const Song& listed, bool measured)
{
    return listed.print == stored.print || (measured && listed.print == stored.measured);
}

bool Known(const std::vector<Song>& known, const Song& listed, bool measured)
{
    for (const Song& song : known)
        if (Holds(song, listed, measured))
            return true;
    return false;
}

bool Keeps(const std::vector<Song>& songs, const std::vector<Song>& kept)
{
    if (songs.size() >= size_t(DirectoryImage::kEntrySlots))
        return true;
    std::vector<bool> taken(songs.size(), false);
    for (const Song& song : kept) {
        size_t i = 0;
        while (i < songs.size() && (taken[i] || !Holds(song, songs[i], Unnamed(songs[i]))))
            ++i;
        if (i == songs.size())
            return false;
        taken[i] = true;
    }
    return true;
}

// Empty when every song listed may be on this player, under its own name or
// a new one; otherwise what is wrong.
std::string Unsound(const World& w, int player, const std::vector<Song>& songs)
{
    for (const Song& song : songs) {
        const auto original = w.originals.find(song.name);
        if (original != w.originals.end()) {
            if (!Holds(original->second, song, false))
                return song.name + " is listed with bytes that are not its own";
            if (!Known(w.known[player], song, false))
                return song.name + " is the other player's song";
        } else if (!Known(w.known[player], song, Unnamed(song))) {
            return song.name + " holds bytes of no song of this player";
        }
    }
    return std::string();
}

namespace {

// Frames of MPEG-1 Layer III at 128 kbps, 44100 Hz (417 bytes each), as the
// plan stores them byte for byte, with bytes that differ from song to song
// behind the headers, as compressed audio does: so do the checksums of their
// pages, which a song's print is made of (sequences that step through every
// byte value give every page the same sum).
std::vector<uint8_t> MadeBytes(size_t size, unsigned step, unsigned offset)
{
    constexpr size_t kFrame = 417;
    std::vector<uint8_t> bytes(size);
    uint32_t state = step * 2654435761u + offset + 1;
    for (size_t b = 0; b < size; ++b) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes[b] = uint8_t(state >> 24);
    }
    for (size_t frame = 0; frame + 4 <= size; frame += kFrame)
        bytes[frame] = 0xFF, bytes[frame + 1] = 0xFB, bytes[frame + 2] = 0x90, bytes[frame + 3] = 0x64;
    return bytes;
}

// Three hundredths of a second of a tone, mono, 16 bits: the file a batch converts.
std::vector<uint8_t> TinyWav()
{
    constexpr uint32_t kRate = 44100, kSamples = 1323;
    std::vector<uint8_t> wav;
    const auto put = [&wav](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            wav.push_back(uint8_t(value >> (8 * i)));
    };
    const auto tag = [&wav](const char* text) {
        for (int i = 0; i < 4; ++i)
            wav.push_back(uint8_t(text[i]));
    };
    tag("RIFF");
    put(36 + kSamples * 2, 4);
    tag("WAVE");
    tag("fmt ");
    put(16, 4);
    put(1, 2);
    put(1, 2);
    put(kRate, 4);
    put(kRate * 2, 4);
    put(2, 2);
    put(16, 2);
    tag("data");
    put(kSamples * 2, 4);
    for (uint32_t i = 0; i < kSamples; ++i)
        put(uint16_t(int16_t((i % 100 < 50 ? 1 : -1) * 8000 * int(i % 50) / 50)), 2);
    return wav;
}

void Write(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The songs written, then one save: every copy a PC keeps is decoded on
// every save and undo, so a short history keeps the inputs fast.
void Store(World& w, FuzzPlayer& player, FuzzPc& pc, const std::vector<Song>& songs)
{
    FuzzSession session(player, pc);
    bool stored = ReloadDirectory(session.link) != 0;
    for (const Song& song : songs)
        stored = stored && session.link.UploadSong(w.PathOf(song).string().c_str());
    if (!stored || !session.link.SaveDirectory("upload"))
        Finding("the committed state could not be made");
}

}

World::World() : sandbox(std::filesystem::temp_directory_path() / ("mellifon-fuzz-" + std::to_string(getpid())))
{
    std::filesystem::remove_all(sandbox);
    std::filesystem::create_directories(sandbox / "in");
    std::filesystem::create_directories(Out());
    // The list's dates in one zone: without TZ, each one the C library
    // formats looks at the zone file again, a tenth of an input's time.
    setenv("TZ", "UTC0", 1);
    tzset();
    // Conversions write here: the input must leave nothing behind.
    std::filesystem::create_directories(sandbox / "tmp");
    setenv("TMPDIR", (sandbox / "tmp").c_str(), 1);
    const auto made = [this](const std::string& name, size_t size, unsigned step, unsigned offset) {
        const std::vector<uint8_t> bytes = MadeBytes(size, step, offset);
        const Song song = SongOf(name, bytes);
        originals[name] = song;
        Write(PathOf(song), bytes);
        return song;
    };
    std::vector<Song> own, others;
    for (int i = 0; i < 4; ++i)
        own.push_back(made("song" + std::to_string(i) + ".mp3", size_t(20000 + 15000 * i), 31, unsigned(i)));
    for (int i = 0; i < 2; ++i)
        others.push_back(made("other" + std::to_string(i) + ".mp3", size_t(20000 + 15000 * i), 17, unsigned(5 + i)));
    uploads = {own[3], made("s1.mp3", 20000, 13, 1), made("s2.mp3", 20000, 13, 2), made("big.mp3", 900000, 13, 3)};
    committed[0].assign(own.begin(), own.begin() + 3);
    committed[1] = others;

    wav = (sandbox / "in" / "tiny.wav").string();
    Write(wav, TinyWav());
    const AudioFileFacts wavFacts = ExamineAudioFile(wav);
    const UploadPlan plan = PlanUpload({wavFacts}, UploadOptions(), 1000, 0);
    if (plan.files[0].action == UploadAction::Convert) {
        const std::string out = (sandbox / "tiny.mp3").string();
        {
            ConversionJob job(wav, out, plan.files[0].conversion);
            for (int steps = 0; steps < 400 && job.Step() == ConversionJob::State::Working; ++steps) {
            }
            if (job.Current() != ConversionJob::State::Done)
                Finding("the WAV could not be converted: " + job.Problem());
        }
        converted = SongOf(plan.files[0].name, ReadWhole(out));
        std::filesystem::remove(out);
        originals[converted.name] = converted;
    }
    for (int p = 0; p < 2; ++p) {
        known[p] = committed[p];
        known[p].insert(known[p].end(), uploads.begin(), uploads.end());
        for (const Song& song : known[p]) {
            listable[p].push_back(ExamineAudioFile(PathOf(song).string()));
            if (listable[p].back().kind != AudioKind::PlayerPlays)
                Finding(song.name + " is not audio the player plays: " + listable[p].back().problem);
        }
        listable[p].push_back(wavFacts);
        if (!converted.name.empty())
            known[p].push_back(converted);
    }

    for (int size = 0; size < kSizes; ++size) {
        rigs[size] = std::make_unique<Rig>(kBlocks[size]);
        Rig& rig = *rigs[size];
        for (FuzzPlayer& player : rig.players)
            MakeFactoryFresh(player.flash);
        Store(*this, rig.players[0], rig.pcA, committed[0]);
        rig.pcBoth.folder.files = rig.pcA.folder.files;
        Store(*this, rig.players[1], rig.pcBoth, committed[1]);
        for (FuzzPlayer& player : rig.players)
            player.Commit();
        rig.pcA.Commit();
        rig.pcB.Commit();
        rig.pcBoth.Commit();
    }
    if (chdir(sandbox.c_str()) != 0)
        Finding("no sandbox");
}

World::~World()
{
    std::error_code ignored;
    std::filesystem::remove_all(sandbox, ignored);
}

void World::Restore()
{
    for (const auto& rig : rigs) {
        for (FuzzPlayer& player : rig->players)
            player.Restore();
        rig->pcA.Restore();
        rig->pcB.Restore();
        rig->pcBoth.Restore();
    }
    EmptyOut();
}

Song World::Stored(const std::string& name, const std::string& path, bool wasConverted) const
{
    Song song = wasConverted ? converted : originals.at(std::filesystem::path(path).filename().string());
    song.name = name;
    return song;
}

std::vector<FolderEntry> EntriesOf(const std::filesystem::path& folder)
{
    std::vector<FolderEntry> entries;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return entries;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        bool isFolder = entry->d_type == DT_DIR;
        struct stat status;
        if (entry->d_type == DT_UNKNOWN && stat((folder / name).c_str(), &status) == 0)
            isFolder = S_ISDIR(status.st_mode);
        entries.push_back({name, isFolder});
    }
    closedir(dir);
    return entries;
}

void World::EmptyOut()
{
    for (const FolderEntry& entry : EntriesOf(Out()))
        std::filesystem::remove_all(Out() / entry.name);
}

World& TheWorld()
{
    static World world;
    return world;
}
