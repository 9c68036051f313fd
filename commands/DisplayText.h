#pragma once
// The texts of the song list and the status panes, from the stored fields.

#include <cstdint>
#include <string>

// The four stored audioHeader bytes (the song's first four bytes, reversed)
// decoded as an MPEG audio frame header: format, bit-rate and sample-rate
// texts and the bit rate in kbit/s. Anything that is not a frame header gives
// "N/A" three times and -1.
int DecodeAudioHeader(const uint8_t stored[4], std::string& format, std::string& bitRate,
                      std::string& sampleRate);

// Playing time as mm:ss (more minute digits when needed), or "N/A" without a bit rate.
std::string FormatDuration(uint32_t size, int kbps);

// Digits grouped in threes with ",", whatever the locale; the millions stay
// one group however large they are.
std::string FormatThousands(long long value);

// dd/mm/yy hh:mm:ss in local time, or "INVALID DATE/TIME" before 1970.
std::string FormatUploadTime(int32_t seconds);

// ISO 8601 in UTC ("2026-12-08T14:05:03Z"), for scripts; empty before 1970.
std::string FormatIsoTime(int32_t seconds);
