#!/usr/bin/env bash
# Makes the small files the audio libraries' smoke test reads: a third of a
# second of a 440 Hz tone in each format conversion takes, with Debian's
# ffmpeg (its native encoders, libvorbis and libopus). Run it here.
set -euo pipefail
tone=(-hide_banner -loglevel error -y -f lavfi -i "sine=frequency=440:sample_rate=22050:duration=0.33" -ac 1)
ffmpeg "${tone[@]}" -c:a flac tone.flac
ffmpeg "${tone[@]}" -c:a libvorbis -q:a 0 tone.ogg
ffmpeg "${tone[@]}" -ar 48000 -c:a libopus -b:a 24k tone.opus
ffmpeg "${tone[@]}" -c:a aac -b:a 32k tone.m4a
ffmpeg "${tone[@]}" -c:a alac tone-alac.m4a
ffmpeg "${tone[@]}" -c:a wmav2 -b:a 32k tone.wma
ffmpeg "${tone[@]}" -c:a pcm_s16le tone.wav
ffmpeg "${tone[@]}" -c:a pcm_s16be tone.aiff
ffmpeg "${tone[@]}" -c:a mp2 -b:a 32k tone.mp2
