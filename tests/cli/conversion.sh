#!/usr/bin/env bash
# mellifon-cli with today's music, made here with Debian's encoders: each file
# converted, stored, listed as MPEG-1 Layer 3 at the bit rate and 44100 Hz, and
# its download decoding to the source's playing time within 50 ms; damaged
# files named and passed over; --dry-run, --speech, --as-is, Ctrl+C.
set -uo pipefail
source "$(dirname "$0")/checks.sh"
cli=$(realpath "$1")
work_in_scratch_folder
failures=0

field() { # image, row (1-based), column (1-based) of list --tsv
  "$cli" --flash "$1" list --tsv | sed -n "$(($2 + 1))p" | cut -f"$3"
}
samples() { # the samples a file decodes to, at 44100 Hz
  echo $(($(ffmpeg -v error -i "$1" -f s16le -ac 1 -ar 44100 - | wc -c) / 2))
}
same_length() { # two files that decode to the same playing time within 50 ms
  local a b
  a=$(samples "$1") b=$(samples "$2")
  [ "$a" -gt 0 ] && [ $((a > b ? a - b : b - a)) -le 2205 ]
}
quiet() { "$@" >/dev/null 2>&1 </dev/null; }

# Sources at several rates and channel counts.
sox -V1 -n -r 48000 -c 2 -b 16 s48.wav synth 3.3 sine 440 sine 660
sox -V1 -n -r 44100 -c 2 -b 24 s44.wav synth 2.7 sine 330 sine 550
sox -V1 -n -r 22050 -c 1 -b 16 tone.wav synth 1.9 sine 500
flac -s --silent s48.wav -o flac.flac
oggenc -Q -a "Ogg Artist" -t "Ogg Title" s44.wav -o vorbis.ogg 2>/dev/null
opusenc --quiet s48.wav opus.opus
ffmpeg -v error -i s44.wav -c:a aac -b:a 128k aac.m4a
ffmpeg -v error -i s44.wav -c:a alac alac.m4a
ffmpeg -v error -i s44.wav -c:a wmav2 -b:a 128k wma.wma
sox s44.wav -b 16 aiff.aiff rate 32000
sources=(flac.flac vorbis.ogg opus.opus aac.m4a alac.m4a wma.wma tone.wav aiff.aiff)
for f in "${sources[@]}"; do [ -s "$f" ] || { echo "FAILED: the encoders made no $f"; exit 1; }; done
echo "not a song" >notes.mp3

check "a batch with a text file in it fails" quiet test "$("$cli" --flash p.img upload --name-from-tags "${sources[@]}" notes.mp3 >out 2>err; echo $?)" = 1
check "the closing line" grep -qx "stored 8 of 9 songs, .* MB, .* MB free; 1 refused" out
check "the text file is named with its reason" grep -q "^notes.mp3: not a sound file" err
check "the library's words only with --verbose" [ "$(grep -c "FFmpeg" err)" -eq 0 ]
"$cli" --flash v.img --verbose upload notes.mp3 >/dev/null 2>verbose
check "with --verbose, FFmpeg's words under the reason" grep -q "^  FFmpeg: " verbose
"$cli" --flash p.img download $(seq 1 8) --to down >/dev/null 2>&1
for i in "${!sources[@]}"; do
  row=$((i + 1)) source=${sources[$i]}
  check "$source: listed as MPEG-1 Layer 3" [ "$(field p.img $row 5)" = "MPEG-1 Layer 3" ]
  check "$source: at 128 kbps" [ "$(field p.img $row 6)" = "128" ]
  check "$source: at 44100 Hz" [ "$(field p.img $row 7)" = "44100" ]
  name=$(field p.img $row 2)
  check "$source: downloaded as MP3" [ "$(ffprobe -v error -show_entries stream=codec_name -of csv=p=0 "down/$name")" = mp3 ]
  check "$source: plays as long as its source" same_length "down/$name" "$source"
done
check "named from its tags" [ "$(field p.img 2 2)" = "Ogg Artist - Ogg Title" ]
check "named after its file otherwise" [ "$(field p.img 1 2)" = "flac" ]
check "no temporary file left" [ -z "$(ls tmp)" ]

# Damaged files in the middle of a batch, as real collections hold them:
# what a player plays is stored (as long as FFmpeg's command decodes it,
# within 5 %), the damage passed over is said; the rest is named and refused.
within_5_percent() { # a song downloaded, the damaged file it came from
  local a b
  # One thread: frame-threaded decoders drop more of a damaged stream, and
  # not the same each time.
  a=$(samples "$1") b=$(($(ffmpeg -v quiet -threads 1 -i "$2" -f s16le -ac 1 -ar 44100 - | wc -c) / 2))
  [ "$b" -gt 22050 ] && [ $((a > b ? a - b : b - a)) -le $((b / 20)) ]
}
cp flac.flac damaged.flac
printf 'garbage%.0s' $(seq 1 400) | dd of=damaged.flac bs=1 seek=20000 conv=notrunc status=none
head -c $(($(stat -c %s flac.flac) - 3000)) flac.flac >torn.flac
ffmpeg -v error -i s44.wav -c:a wavpack tagged.wv
printf 'APETAGEX%.0s' $(seq 1 40) >>tagged.wv
head -c 20000 aac.m4a >truncated.m4a
: >empty.mp3
damaged=(damaged.flac torn.flac tagged.wv)
check "a damaged batch fails" quiet test "$("$cli" --flash d.img upload tone.wav "${damaged[@]}" truncated.m4a \
  empty.mp3 notes.mp3 vorbis.ogg >out 2>err; echo $?)" = 1
for f in truncated.m4a empty.mp3 notes.mp3; do
  check "$f is named" grep -q "^$f: " err
done
check "the damage passed over is said" grep -q "^damaged.flac: converted, .* damaged frames\? passed over" err
check "the good and the playable are stored" grep -qx "stored 5 of 8 songs, .*; 3 refused; .* converted with .* passed over" out
"$cli" --flash d.img download 2 3 4 --to damaged >/dev/null 2>&1
for i in 0 1 2; do
  name=$(field d.img $((i + 2)) 2)
  check "${damaged[$i]}: as long as FFmpeg decodes it" within_5_percent "damaged/$name" "${damaged[$i]}"
done
check "the player is sound" quiet "$cli" --flash d.img check
check "no temporary file left" [ -z "$(ls tmp)" ]

check "--dry-run changes nothing" quiet "$cli" --flash d.img upload --dry-run flac.flac
check "still five songs" [ "$("$cli" --flash d.img list --tsv | wc -l)" -eq 7 ]
check "--dry-run names what it would do" grep -q "convert to MP3 at 128 kbps" <("$cli" --flash d.img upload --dry-run flac.flac)

check "--speech" quiet "$cli" --flash s.img upload --speech flac.flac
check "--speech is 64 kbps" [ "$(field s.img 1 6)" = "64" ]
"$cli" --flash s.img download 1 --to speech >/dev/null 2>&1
check "--speech is mono" [ "$(ffprobe -v error -show_entries stream=channels -of csv=p=0 speech/flac.mp3)" = 1 ]

check "--as-is stores a file it cannot play" quiet "$cli" --flash a.img upload --as-is notes.mp3
check "and warns" grep -q "notes.mp3: stored as it is, but the player cannot play it" \
  <("$cli" --flash a.img upload --as-is notes.mp3 2>&1)
check "--bitrate takes MP3 rates only" quiet test "$("$cli" --flash a.img upload --bitrate 100 flac.flac 2>/dev/null; echo $?)" = 2

# A VBR MP3 with a disc tag: its playing time and average rate, not its first frame's.
sox -V1 -n -r 44100 -c 2 -b 16 noise.wav synth 3 whitenoise
ffmpeg -v error -i noise.wav -c:a libmp3lame -q:a 0 -metadata disc=1/2 vbr.mp3
"$cli" --flash v.img upload --dry-run --bitrate 160 vbr.mp3 >plan
check "a VBR MP3 with a disc tag: 0:03, above 160 kbps" grep -q "^1\. vbr.mp3 (.*, 0:03): convert to MP3 at 160" plan
check "the plan says whose playing times it shows" grep -q "^Playing times as the files give them" plan

# An MP3 with stray bytes before its first frame: stored from that frame, so
# that the player and the list read its header.
ffmpeg -v error -i noise.wav -c:a libmp3lame -b:a 128k -id3v2_version 0 -write_xing 0 plain.mp3
{ printf 'JUNK-BYTES!!'; cat plain.mp3; } >stray.mp3
check "the plan says what is left out" grep -q "stray.mp3: 12 bytes before the first frame left out" \
  <("$cli" --flash j.img upload --dry-run stray.mp3)
check "stored from its first frame" quiet "$cli" --flash j.img upload stray.mp3
check "listed as MPEG-1 Layer 3" [ "$(field j.img 1 5)" = "MPEG-1 Layer 3" ]
"$cli" --flash j.img download 1 --to stray >/dev/null 2>&1
check "its download is the file from its first frame" cmp -s stray/stray.mp3 plain.mp3

# Ctrl+C during a conversion: exit 130, nothing stored, no temporary file.
sox -V1 -n -r 44100 -c 2 -b 16 long.wav synth 120 pinknoise
"$cli" --flash c.img upload tone.wav long.wav tone.wav >/dev/null 2>&1 </dev/null &
pid=$!
# The long one's conversion is under way once its temporary file outgrows the tone's.
for ((i = 0; i < 400; i++)); do
  [ -n "$(find tmp -name 'mellifon-*.mp3' -size +200k 2>/dev/null)" ] && break
  sleep 0.05
done
kill -INT $pid
wait $pid
check "Ctrl+C ends with 130" [ $? -eq 130 ]
check "the song before stays" [ "$(field c.img 1 2)" = "tone.mp3" ]
check "nothing else stored" [ "$("$cli" --flash c.img list --tsv | wc -l)" -eq 3 ]
check "no temporary file left after Ctrl+C" [ -z "$(ls tmp)" ]

echo "conversion checks failed: $failures"
exit $((failures > 0))
