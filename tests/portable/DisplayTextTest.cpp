// The list's texts: frame headers, playing times, grouped numbers, dates.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "commands/DisplayText.h"

namespace {

struct Decoded {
    int kbps;
    std::string format, bitRate, sampleRate;
};

// The header as the song's first four bytes; stored reversed, as upload does.
Decoded Decode(uint32_t header)
{
    const uint8_t stored[4] = {uint8_t(header), uint8_t(header >> 8), uint8_t(header >> 16),
                               uint8_t(header >> 24)};
    Decoded d;
    d.kbps = DecodeAudioHeader(stored, d.format, d.bitRate, d.sampleRate);
    return d;
}

TEST(DecodeAudioHeader, DecodesVersionLayerAndRates)
{
    Decoded d = Decode(0xFFFB9064);
    EXPECT_EQ(d.kbps, 128);
    EXPECT_EQ(d.format, "MPEG-1 Layer 3");
    EXPECT_EQ(d.bitRate, "128 Kbps");
    EXPECT_EQ(d.sampleRate, "44100 Hz");

    d = Decode(0xFFF38000);
    EXPECT_EQ(d.format, "MPEG-2 Layer 3");
    EXPECT_EQ(d.bitRate, "64 Kbps");
    EXPECT_EQ(d.sampleRate, "22050 Hz");

    // Sync 0xFFE decodes with the same tables.
    d = Decode(0xFFE38400);
    EXPECT_EQ(d.format, "MPEG-2 Layer 3");
    EXPECT_EQ(d.sampleRate, "24000 Hz");
    EXPECT_EQ(d.kbps, 64);
}

TEST(DecodeAudioHeader, FollowsTheTablesOfBothStandards)
{
    // Bit-rate index 14 of each row, and a middle entry.
    EXPECT_EQ(Decode(0xFFFFE000).kbps, 448); // MPEG-1 Layer 1
    EXPECT_EQ(Decode(0xFFFDE000).kbps, 384); // MPEG-1 Layer 2
    EXPECT_EQ(Decode(0xFFFBE000).kbps, 320); // MPEG-1 Layer 3
    EXPECT_EQ(Decode(0xFFF7E000).kbps, 256); // MPEG-2 Layer 1
    EXPECT_EQ(Decode(0xFFF5E000).kbps, 160); // MPEG-2 Layer 2
    EXPECT_EQ(Decode(0xFFF31000).kbps, 8);   // MPEG-2 Layer 3, index 1
    EXPECT_EQ(Decode(0xFFFD5000).kbps, 80);  // MPEG-1 Layer 2, index 5
    EXPECT_EQ(Decode(0xFFFB0800).sampleRate, "32000 Hz");
    EXPECT_EQ(Decode(0xFFF30800).sampleRate, "16000 Hz");
    EXPECT_EQ(Decode(0xFFFF9000).format, "MPEG-1 Layer 1");
}

TEST(DecodeAudioHeader, WhatIsNoFrameHeaderGivesNotAvailable)
{
    for (uint32_t header : {0x00000000u, 0xFFD00000u, 0x52494646u, // no sync ("RIFF")
                            0xFFF99000u,                          // layer code 0
                            0xFFFBF000u,                          // bit-rate index 15
                            0xFFFB9C00u}) {                       // sample-rate index 3
        SCOPED_TRACE(header);
        Decoded d = Decode(header);
        EXPECT_EQ(d.kbps, -1);
        EXPECT_EQ(d.format, "N/A");
        EXPECT_EQ(d.bitRate, "N/A");
        EXPECT_EQ(d.sampleRate, "N/A");
    }
    Decoded free = Decode(0xFFFB0000);
    EXPECT_EQ(free.kbps, 0);
    EXPECT_EQ(free.bitRate, "0 Kbps");
}

TEST(FormatDuration, MinutesAndSecondsFromSizeAndBitRate)
{
    EXPECT_EQ(FormatDuration(3500000, 128), "03:33");
    EXPECT_EQ(FormatDuration(4000000, 128), "04:04");
    EXPECT_EQ(FormatDuration(30000000, 32), "122:04");
    EXPECT_EQ(FormatDuration(0, 128), "00:00");
    EXPECT_EQ(FormatDuration(123456, -1), "N/A");
    EXPECT_EQ(FormatDuration(123456, 0), "N/A");
    // A size whose bit count passes 32 bits is still timed right.
    EXPECT_EQ(FormatDuration(0xFFFFFFFFu, 320), "1747:37");
}

TEST(FormatThousands, GroupsOfThreeWithTheMillionsInOneGroup)
{
    EXPECT_EQ(FormatThousands(0), "0");
    EXPECT_EQ(FormatThousands(999), "999");
    EXPECT_EQ(FormatThousands(1000), "1,000");
    EXPECT_EQ(FormatThousands(1005), "1,005");
    EXPECT_EQ(FormatThousands(999999), "999,999");
    EXPECT_EQ(FormatThousands(1000001), "1,000,001");
    EXPECT_EQ(FormatThousands(33554432), "33,554,432");
    EXPECT_EQ(FormatThousands(1234567890), "1234,567,890");
    EXPECT_EQ(FormatThousands(2000000), "2,000,000");
}

TEST(FormatUploadTime, DayMonthYearInLocalTime)
{
    EXPECT_EQ(FormatUploadTime(int32_t(0xFFFFFFFFu)), "INVALID DATE/TIME");
    EXPECT_EQ(FormatUploadTime(INT32_MIN), "INVALID DATE/TIME");

    std::tm local = {};
    local.tm_year = 99;
    local.tm_mon = 1;
    local.tm_mday = 14;
    local.tm_hour = 9;
    local.tm_min = 5;
    local.tm_sec = 3;
    local.tm_isdst = -1;
    EXPECT_EQ(FormatUploadTime(int32_t(std::mktime(&local))), "14/02/99 09:05:03");

    local = {};
    local.tm_year = 100;
    local.tm_mon = 11;
    local.tm_mday = 31;
    local.tm_hour = 23;
    local.tm_min = 59;
    local.tm_isdst = -1;
    EXPECT_EQ(FormatUploadTime(int32_t(std::mktime(&local))), "31/12/00 23:59:00");
}

TEST(FormatUploadTime, FollowsTheTimeZone)
{
    const char* saved = std::getenv("TZ");
    const std::string previous = saved ? saved : "";
    auto setZone = [](const char* zone) {
#ifdef _WIN32
        _putenv_s("TZ", zone);
        _tzset();
#else
        setenv("TZ", zone, 1);
        tzset();
#endif
    };
    setZone("UTC0");
    EXPECT_EQ(FormatUploadTime(0), "01/01/70 00:00:00");
    EXPECT_EQ(FormatUploadTime(918983103), "14/02/99 09:05:03");
    setZone("EST5");
    EXPECT_EQ(FormatUploadTime(918983103), "14/02/99 04:05:03");
    setZone(previous.c_str());
}

} // namespace
