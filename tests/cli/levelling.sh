#!/usr/bin/env bash
# mellifon-cli --level: a quiet FLAC, a loud FLAC and a loud MP3 stored as
# it is come back from the player within 1 LU of -18 LUFS and of each other,
# as FFmpeg's own meter reads them, with no sample at full scale; the MP3
# keeps its frames, bit rate and size, and decodes to its source's sound at
# the stated gain. Tags that tell the loudness spare the measuring.
set -uo pipefail
source "$(dirname "$0")/checks.sh"
cli=$(realpath "$1")
work_in_scratch_folder
failures=0

sox -V1 -n -r 44100 -c 2 -b 16 quiet.wav synth 12 sine 440 sine 660 vol 0.02
sox -V1 -n -r 48000 -c 2 -b 24 loud.wav synth 11 sine 330 sine 550 vol 0.9
sox -V1 -n -r 44100 -c 2 -b 16 loud-mp3.wav synth 10 sine 250 sine 500 vol 0.8
flac -s --silent quiet.wav -o quiet.flac
flac -s --silent loud.wav -o loud.flac
ffmpeg -v error -i loud-mp3.wav -c:a libmp3lame -b:a 128k -write_xing 1 loud.mp3
for f in quiet.flac loud.flac loud.mp3; do [ -s "$f" ] || { echo "FAILED: the encoders made no $f"; exit 1; }; done

loudness() { # integrated loudness and sample peak (dBFS) of a file, as FFmpeg's meter reads them
  ffmpeg -nostats -v info -i "$1" -af ebur128=peak=sample -f null - 2>&1 |
    awk '/^ *I:/ {i=$2} /^ *Peak:/ {p=$2} END {print i, p}'
}
near_target() { # a file within 1 LU of -18 LUFS, its peak below full scale
  read -r lufs peak < <(loudness "$1")
  awk -v l="$lufs" -v p="$peak" 'BEGIN { exit !(l != "" && l >= -19 && l <= -17 && p < 0) }' ||
    { echo "  $1: $lufs LUFS, peak $peak dBFS"; return 1; }
}

"$cli" --flash p.img upload --level --dry-run quiet.flac loud.flac loud.mp3 >plan 2>&1
check "the plan shows each song's gain" [ "$(grep -c ', levelled [+-][0-9]*\.[0-9] dB' plan)" -eq 3 ]
check "and how its loudness was found" [ "$(grep -c 'loudness .* LUFS (measured)' plan)" -eq 3 ]
check "the MP3 is stored as it is, levelled in steps" grep -q 'loud.mp3 .*store as it is.*levelled -1[0-9]\.[0-9] dB' plan
check "a dry run stores nothing" [ "$("$cli" --flash p.img list --tsv | wc -l)" -eq 2 ]

"$cli" --flash p.img upload --level quiet.flac loud.flac loud.mp3 >out 2>err
check "the closing line counts the levelled songs" grep -q "^stored 3 of 3 songs, .*; 3 levelled" out
"$cli" --flash p.img download 1 2 3 --to down >/dev/null 2>&1
for f in quiet.mp3 loud.mp3; do
  check "$f comes back within 1 LU of the target, under full scale" near_target "down/$f"
done
check "the levelled MP3 comes back within 1 LU of the target" near_target "down/loud (2).mp3"

frames() { ffprobe -v error -count_frames -show_entries stream=nb_read_frames,bit_rate -of csv=p=0 "$1"; }
check "the MP3 keeps its frames and bit rate" [ "$(frames "down/loud (2).mp3")" = "$(frames loud.mp3)" ]
check "and its size" [ "$(stat -c %s "down/loud (2).mp3")" = "$(stat -c %s loud.mp3)" ]
gain=$(sed -n 's/^3\. loud.mp3 .*levelled \([+-][0-9.]*\) dB.*/\1/p' plan)
ffmpeg -v error -i loud.mp3 -f f32le -ac 1 source.raw
ffmpeg -v error -i "down/loud (2).mp3" -f f32le -ac 1 levelled.raw
check "its sound is its source's at the stated gain" python3 - "$gain" <<'PY'
import array, math, sys
step = 20 * math.log10(2 ** 0.25)  # the global gain's step, which the plan rounds to a tenth
gain = 10 ** (round(float(sys.argv[1]) / step) * step / 20)
a, b = array.array('f'), array.array('f')
a.frombytes(open('source.raw', 'rb').read()); b.frombytes(open('levelled.raw', 'rb').read())
error = sum((y - x * gain) ** 2 for x, y in zip(a, b)); power = sum((x * gain) ** 2 for x in a)
sys.exit(not (len(a) == len(b) and error < power * 1e-4))
PY

# A ReplayGain tag tells the loudness: no measuring, its gain as the tag says.
cp loud.flac tagged.flac
metaflac --set-tag=REPLAYGAIN_TRACK_GAIN="-5.00 dB" --set-tag=REPLAYGAIN_TRACK_PEAK=0.5 tagged.flac
"$cli" --flash t.img upload --level --dry-run tagged.flac >tagged 2>&1
check "a ReplayGain tag is taken at its word" grep -q 'tagged.flac .*levelled -5.0 dB' tagged
check "and said to be" grep -q 'loudness -13.0 LUFS (its tags)' tagged
"$cli" --flash t.img sync --level --dry-run --json quiet.flac >sync.json 2>/dev/null
check "a sync's JSON plan gives the gain" grep -q '"gain_db": *[0-9]' sync.json
check "--as-is does not go with --level" status_is 2 "$cli" --flash t.img upload --as-is --level quiet.flac

[ "$failures" -eq 0 ] && echo "all levelling checks passed"
exit $((failures > 0))
