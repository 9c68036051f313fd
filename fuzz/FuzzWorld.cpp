#include "fuzz/FuzzWorld.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "link/PageFormat.h"
#include "simulator/FactoryImage.h"

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

std::string Names(const std::vector<Song>& songs)
{
    std::string names;
    for (const Song& song : songs)
        names += (names.empty() ? "" : ", ") + song.name + " (" + std::to_string(song.bytes.size()) + " bytes)";
    return "[" + names + "]";
}

// What the player holds now, where it was written since it was factory fresh.
void FuzzPlayer::Commit()
{
    master.clear();
    for (uint32_t page = 0; page < kPagesPerBlock; ++page)
        touched.insert(page);
    for (uint32_t page : touched) {
        const uint8_t* raw = flash.RawPage(page);
        if (!RawPageErased(raw))
            master[page].assign(raw, raw + kRawPageSize);
    }
    touched.clear();
}

// A program or erase beyond the flash reached no chip and changed nothing.
void FuzzPlayer::Touch(const std::vector<FlashOperation>& operations)
{
    for (const FlashOperation& op : operations) {
        if (op.page >= flash.Pages())
            continue;
        if (op.kind == FlashOperation::Program)
            touched.insert(op.page);
        if (op.kind == FlashOperation::Erase)
            for (uint32_t page = op.page; page < op.page + kPagesPerEraseUnit; ++page)
                touched.insert(page);
    }
}

void FuzzPlayer::Restore()
{
    static const std::vector<uint8_t> erased(kRawPageSize, 0xFF);
    for (uint32_t page : touched) {
        const auto kept = master.find(page);
        flash.StorePage(page, kept == master.end() ? erased.data() : kept->second.data());
    }
    touched.clear();
}

void FuzzUi::ShowMessage(const std::string& text)
{
    Trace("says: " + text);
}

int FuzzUi::RunTransfer(TransferStep& step)
{
    struct : ProgressBar {
        void SetPos(int) override {}
    } bar;
    for (int steps = 0; steps < 400 && !step.Stalled(); ++steps) {
        const StepOutcome outcome = step.Step(bar);
        if (outcome != StepOutcome::Continue)
            return outcome == StepOutcome::EndOk ? kTransferOk : kTransferCancel;
    }
    return kTransferCancel;
}

FuzzSession::FuzzSession(FuzzPlayer& player, FuzzPc& pc) : copies(pc.copies), m_player(player)
{
    if (ChosenWire() == Wire::Registers) {
        m_pWire = std::make_unique<SimulatedPlayer>(player.flash);
        m_pWire->UseVirtualClock(true);
        link.AttachPorts(m_pWire.get());
    } else {
        m_pPages = std::make_unique<PagePlayer>(player.flash);
        link.AttachPorts(m_pPages.get());
        link.AttachPageDevice(m_pPages.get());
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

Listing ListingOf(FuzzSession& session, FlashMemory& flash, bool loaded)
{
    Listing listing;
    listing.damaged = !loaded || session.link.DirectoryDamaged();
    listing.wrote = session.Wrote();
    const DirectoryImage& image = session.link.m_image;
    for (int slot = 0; slot < image.entryCount() && slot < DirectoryImage::kEntrySlots; ++slot) {
        const DirectoryEntry entry = image.Entry(slot);
        Song song{entry.name(), {}};
        unsigned block = entry.firstBlock();
        // A damaged directory may claim more memory than the player has:
        // what lies beyond its end is no song's.
        for (int i = 0; i < entry.blockCount() && image.IsSongBlock(block) && block < unsigned(flash.Blocks()); ++i) {
            for (int page = 0; page < kPagesPerBlock; ++page) {
                const uint8_t* raw = flash.RawPage(uint32_t(block) * kPagesPerBlock + uint32_t(page));
                song.bytes.insert(song.bytes.end(), raw, raw + kPageSize);
            }
            block = image.blockLink(block);
        }
        // As a download gives it: the size the list shows, when the chain
        // has the blocks for it.
        song.bytes.resize(std::min<size_t>(song.bytes.size(), entry.size()));
        listing.songs.push_back(std::move(song));
    }
    return listing;
}

Listing FreshListing(FuzzPlayer& player, FuzzPc& pc, long readsAllowed)
{
    FuzzSession session(player, pc);
    session.StartOperation(readsAllowed);
    const bool loaded = ReloadDirectory(session.link) != 0;
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

namespace {

// Bytes that differ from song to song, behind the same audio header, as
// compressed audio does: so do the checksums of their pages, which a
// song's print is made of (sequences that step through every byte value
// give every page the same sum).
Song MadeSong(const std::string& name, size_t size, unsigned step, unsigned offset)
{
    Song song{name, std::vector<uint8_t>(size)};
    uint32_t state = step * 2654435761u + offset + 1;
    for (size_t b = 0; b < size; ++b) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        song.bytes[b] = uint8_t(state >> 24);
    }
    song.bytes[0] = 0xFF, song.bytes[1] = 0xFB, song.bytes[2] = 0x90, song.bytes[3] = 0x64;
    return song;
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
    std::vector<Song> own, others;
    for (int i = 0; i < 4; ++i)
        own.push_back(MadeSong("song" + std::to_string(i) + ".mp3", size_t(20000 + 15000 * i), 31, unsigned(i)));
    for (int i = 0; i < 2; ++i)
        others.push_back(MadeSong("other" + std::to_string(i) + ".mp3", size_t(20000 + 15000 * i), 17, unsigned(5 + i)));
    uploads = {own[3], MadeSong("s1.mp3", 20000, 13, 1), MadeSong("s2.mp3", 20000, 13, 2)};
    committed[0].assign(own.begin(), own.begin() + 3);
    committed[1] = others;
    for (int p = 0; p < 2; ++p) {
        known[p] = committed[p];
        known[p].insert(known[p].end(), uploads.begin(), uploads.end());
    }
    for (const auto& songs : {own, others, uploads})
        for (const Song& song : songs) {
            originals[song.name] = song.bytes;
            std::ofstream(PathOf(song), std::ios::binary)
                .write(reinterpret_cast<const char*>(song.bytes.data()), std::streamsize(song.bytes.size()));
        }

    for (FuzzPlayer& player : players)
        MakeFactoryFresh(player.flash);
    Store(*this, players[0], pcA, committed[0]);
    pcBoth.folder.files = pcA.folder.files;
    Store(*this, players[1], pcBoth, committed[1]);
    for (FuzzPlayer& player : players)
        player.Commit();
    pcA.Commit();
    pcB.Commit();
    pcBoth.Commit();
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
    for (FuzzPlayer& player : players)
        player.Restore();
    pcA.Restore();
    pcB.Restore();
    pcBoth.Restore();
    EmptyOut();
}

void World::EmptyOut()
{
    if (!std::filesystem::is_directory(Out())) {
        std::filesystem::create_directories(Out());
        return;
    }
    for (const auto& entry : std::filesystem::directory_iterator(Out()))
        std::filesystem::remove_all(entry.path());
}

World& TheWorld()
{
    static World world;
    return world;
}
