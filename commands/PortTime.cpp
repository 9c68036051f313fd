#include "commands/PortTime.h"

int64_t UploadPortAccesses(int64_t blocks, int64_t songs)
{
    if (songs <= 0)
        return 0;
    return blocks * kAccessesPerBlock + songs * kAccessesPerSong + kAccessesPerRefill;
}

std::string PortTimeText(int64_t accesses)
{
    const int64_t seconds = int64_t(double(accesses) * kSecondsPerAccess + 0.5);
    if (seconds < 1)
        return "under a second";
    if (seconds < 60)
        return "about " + std::to_string(seconds) + " s";
    const int64_t minutes = seconds / 60;
    return "about " + std::to_string(minutes) + " min " + std::to_string(seconds % 60) + " s";
}
