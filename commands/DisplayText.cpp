#include "commands/DisplayText.h"

#include <cstdio>
#include <ctime>

#include "format/LittleEndian.h"
#include "audio/AudioFrame.h"

namespace {

constexpr int kSampleRates[2][3] = {
    {22050, 24000, 16000}, // MPEG-2
    {44100, 48000, 32000}, // MPEG-1
};

std::string Printed(const char* format, long long value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string PaddedLeft(std::string text, size_t width)
{
    if (text.size() < width)
        text.insert(0, width - text.size(), '0');
    return text;
}

}

int DecodeAudioHeader(const uint8_t stored[4], std::string& format, std::string& bitRate,
                      std::string& sampleRate)
{
    format = bitRate = sampleRate = "N/A";
    const uint32_t h = ReadU32LE(stored);
    const uint32_t sync = h >> 20;
    const int versionBit = int((h >> 19) & 1);
    const int layerCode = int((h >> 17) & 3);
    const int rateIndex = int((h >> 12) & 15);
    const int sampleIndex = int((h >> 10) & 3);
    if (sync != 0xFFF && sync != 0xFFE)
        return -1;
    // Reserved codes lie outside the tables: no frame header either.
    if (layerCode == 0 || rateIndex == 15 || sampleIndex == 3)
        return -1;

    const int layer = 4 - layerCode;
    const int kbps = MpegBitRate(versionBit != 0, layer, rateIndex);
    format = "MPEG-" + std::to_string(versionBit ? 1 : 2) + " Layer " + std::to_string(layer);
    bitRate = std::to_string(kbps) + " Kbps";
    sampleRate = std::to_string(kSampleRates[versionBit][sampleIndex]) + " Hz";
    return kbps;
}

std::string FormatDuration(uint32_t size, int kbps)
{
    if (kbps <= 0)
        return "N/A";
    const uint64_t seconds = uint64_t(size) * 8 / (uint64_t(kbps) * 1024);
    return PaddedLeft(std::to_string(seconds / 60), 2) + ":" +
           PaddedLeft(std::to_string(seconds % 60), 2);
}

std::string FormatThousands(long long value)
{
    if (value < 0)
        return "-" + FormatThousands(-value);
    std::string text;
    bool grouped = false;
    if (const long long millions = value / 1000000) {
        text = Printed("%lld,", millions);
        value %= 1000000;
        grouped = true;
    } else if (value / 1000 == 0) {
        return Printed("%lld", value);
    }
    std::string thousands = Printed("%lld,", value / 1000);
    text += grouped ? PaddedLeft(thousands, 4) : thousands;
    return text + PaddedLeft(Printed("%lld", value % 1000), 3);
}

std::string FormatUploadTime(int32_t seconds)
{
    if (seconds < 0)
        return "INVALID DATE/TIME";
    const std::time_t t = seconds;
    const std::tm* local = std::localtime(&t);
    if (!local)
        return "INVALID DATE/TIME";
    char text[64];
    std::snprintf(text, sizeof text, "%02u/%02u/%02u %02u:%02u:%02u", unsigned(local->tm_mday),
                  unsigned(local->tm_mon + 1), unsigned(local->tm_year % 100),
                  unsigned(local->tm_hour), unsigned(local->tm_min), unsigned(local->tm_sec));
    return text;
}

std::string FormatIsoTime(int32_t seconds)
{
    if (seconds < 0)
        return std::string();
    // The civil date of a day count, without the C runtime's time functions
    // (whose 32- and 64-bit forms differ between Windows' runtimes).
    const long long days = seconds / 86400;
    const long long secondOfDay = seconds % 86400;
    const long long z = days + 719468;
    const long long era = z / 146097;
    const long long dayOfEra = z - era * 146097;
    const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long mp = (5 * dayOfYear + 2) / 153;
    const long long day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const long long month = mp < 10 ? mp + 3 : mp - 9;
    const long long year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    char text[32];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lldZ", year, month, day, secondOfDay / 3600,
                  secondOfDay / 60 % 60, secondOfDay % 60);
    return text;
}
