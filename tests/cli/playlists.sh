#!/usr/bin/env bash
# mellifon-cli with playlists and folders, as a user runs it: a sync that
# keeps, moves, adds and removes; its plan in JSON; list and check in JSON,
# read back by Python's json and checked against the image's own bytes;
# every --dry-run leaving the image and the copies on the PC byte for byte
# as they were; duplicates left out; downloads beside a file of the same
# name. With conversion (second argument "convert"): an album of FLACs,
# tagged with track numbers out of their names' order, synced onto a player
# that holds other songs, and undone.
set -uo pipefail
source "$(dirname "$0")/checks.sh"
cli=$(realpath "$1")
convert=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export XDG_DATA_HOME="$work/data" TMPDIR="$work/tmp"
mkdir -p tmp
failures=0

names() { "$cli" --flash p.img list --tsv | sed '1d;$d' | cut -f2 | tr '\n' ' '; }
frames() { # count, seed: MPEG-1 Layer 3 frames at 128 kbit/s, 44100 Hz
  for ((i = 0; i < $1; i++)); do printf '\xff\xfb\x90\x64'; head -c 413 /dev/zero | tr '\0' "\\$(printf '%03o' $(($2 + 40)))"; done
}
state() { # the image and every file of the copies, as bytes
  { sha256sum p.img; find data -type f | sort | xargs -r sha256sum; } | sha256sum
}

frames 100 1 >a.mp3
frames 200 2 >b.mp3
frames 150 3 >c.mp3
frames 120 4 >d.mp3
mkdir -p lists/sub
frames 80 5 >lists/sub/e.mp3
check "upload a b c" status_is 0 "$cli" --flash p.img upload a.mp3 b.mp3 c.mp3
printf '#EXTM3U\r\n#EXTINF:5,C\r\n../c.mp3\r\nsub/e.mp3\r\n../a.mp3\r\n' >lists/mix.m3u8

# Every changing command with --dry-run changes nothing, on the player or the PC.
before=$(state)
for command in "upload d.mp3" "sync lists/mix.m3u8" "remove 1" "rename 1 x" "move 1 3" "init" "undo" "rescue"; do
  # shellcheck disable=SC2086
  check "$command --dry-run says what it would do" status_is 0 "$cli" --flash p.img $command --dry-run
  check "$command --dry-run changes nothing" [ "$(state)" = "$before" ]
done
check "sync --dry-run --json" status_is 0 "$cli" --flash p.img sync lists/mix.m3u8 --dry-run --json
check "changes nothing either" [ "$(state)" = "$before" ]
check "remove --dry-run names the song" bash -c "'$cli' --flash p.img remove 2 --dry-run | grep -q 'Would remove song 2 \"b.mp3\"'"
check "sync --json needs --dry-run" status_is 2 "$cli" --flash p.img sync lists/mix.m3u8 --json

# The plan in JSON, read by a script.
"$cli" --flash p.img sync lists/mix.m3u8 --dry-run --json >plan.json
check "the plan: move c up, add e, move a down, remove b" python3 - plan.json <<'EOF'
import json, sys
plan = json.load(open(sys.argv[1]))
songs = [(s["action"], s["name"], s["now"]) for s in plan["songs"]]
assert songs == [("move", "c.mp3", 3), ("add", "e.mp3", None), ("move", "a.mp3", 1)], songs
assert [s["name"] for s in plan["removed"]] == ["b.mp3"], plan["removed"]
assert plan["fits"] and plan["changes"] and not plan["removal_first"]
memory = plan["memory"]
assert memory["songs_before"] == 3 and memory["songs_after"] == 3
assert memory["free_bytes_after"] == memory["free_bytes_before"] + 3 * 32768 - 2 * 32768, memory
EOF

check "sync without a terminal asks and is refused" status_is 1 "$cli" --flash p.img sync lists/mix.m3u8
check "nothing changed" [ "$(names)" = "a.mp3 b.mp3 c.mp3 " ]
check "sync --yes" status_is 0 "$cli" --flash p.img sync lists/mix.m3u8 --yes
check "the list's order" [ "$(names)" = "c.mp3 e.mp3 a.mp3 " ]
check "again: nothing to change" bash -c "'$cli' --flash p.img sync lists/mix.m3u8 --yes | grep -q 'Rio holds the list already'"
check "a list that cannot be read changes nothing" status_is 1 "$cli" --flash p.img sync lists/none.m3u --yes
check "nor one naming a file that is gone" bash -c "printf 'gone.mp3\n' >lists/gone.m3u; ! '$cli' --flash p.img sync lists/gone.m3u --yes"
# A list of no songs would empty the player ('init' does that): refused whatever is asked.
mkdir -p nothing pictures && printf '\xff\xd8\xff\xe0JFIF' >pictures/cover.jpg
: >lists/empty.m3u && printf '../pictures/cover.jpg\n' >lists/picture.m3u
for list in nothing pictures lists/empty.m3u lists/picture.m3u; do
  for how in --yes --dry-run "--dry-run --json"; do
    check "sync $list $how: refused, holding no songs" bash -c \
      "'$cli' --flash p.img sync $list $how >out 2>&1; [ \$? -eq 1 ] && grep -q 'holds no songs' out"
  done
done
check "the songs are still there" [ "$(names)" = "c.mp3 e.mp3 a.mp3 " ]

# A .pls list as players save it: its numbers give the order, titles and a
# stream address among the files (named, and passed over).
printf '[playlist]\r\nFile2=sub/e.mp3\r\nTitle2=E\r\nFile1=../a.mp3\r\nFile3=http://radio.example/live\r\nFile4=../c.mp3\r\nNumberOfEntries=4\r\nVersion=2\r\n' >lists/mix.pls
check "sync a .pls list" bash -c "'$cli' --flash p.img sync lists/mix.pls --yes 2>err"
check "in its numbers' order" [ "$(names)" = "a.mp3 e.mp3 c.mp3 " ]
check "the stream address is named" grep -q "radio.example" err
# An XSPF list: a file:// address and one relative to the list, both
# percent-encoded, a track with a second place for itself, a stream.
cat >lists/mix.xspf <<XSPF
<?xml version="1.0" encoding="UTF-8"?>
<playlist version="1" xmlns="http://xspf.org/ns/0/"><trackList>
  <track><location>sub/%65.mp3</location><title>E</title></track>
  <track><location>http://radio.example/live</location></track>
  <track><location>file://$work/%63.mp3</location><location>file://$work/a.mp3</location></track>
</trackList></playlist>
XSPF
check "sync an .xspf list" bash -c "'$cli' --flash p.img sync lists/mix.xspf --yes 2>err"
check "in its order, each track at its first place" [ "$(names)" = "e.mp3 c.mp3 " ]
check "its stream address is named" grep -q "radio.example" err
check "upload an .xspf list" bash -c "'$cli' --flash x.img upload lists/mix.xspf >/dev/null 2>&1 && [ \"\$('$cli' --flash x.img list --tsv | sed '1d;\$d' | cut -f2 | tr '\n' ' ')\" = 'e.mp3 c.mp3 ' ]"
printf '<playlist><trackList><track><location>a.mp3</location></track>' >lists/cut.xspf
check "a cut .xspf list is refused, saying where" bash -c "'$cli' --flash p.img sync lists/cut.xspf --yes >out 2>&1; [ \$? -eq 1 ] && grep -q 'line 1' out"
check "and back to the M3U list" bash -c "'$cli' --flash p.img sync lists/mix.m3u8 --yes >/dev/null 2>&1 && [ \"\$('$cli' --flash p.img list --tsv | sed '1d;\$d' | cut -f2 | tr '\n' ' ')\" = 'c.mp3 e.mp3 a.mp3 ' ]"

# list --json and check --json against the directory's own bytes.
"$cli" --flash p.img list --json >list.json
"$cli" --flash p.img check --json >check.json
check "list --json agrees with the image" python3 - list.json check.json p.img <<'EOF'
import json, struct, sys, datetime
listing = json.load(open(sys.argv[1]))
report = json.load(open(sys.argv[2]))
raw = open(sys.argv[3], "rb").read()
# Block 0's 64 pages, each 512 data bytes and 16 spare bytes.
directory = b"".join(raw[p * 528:p * 528 + 512] for p in range(64))
count, total, used, free = struct.unpack_from("<HHHH", directory, 0)
assert listing["memory"] == {"songs": count, "total_bytes": total * 32768, "free_bytes": free * 32768,
                             "used_bytes": used * 32768}, listing["memory"]
assert len(listing["songs"]) == count
for i, song in enumerate(listing["songs"]):
    entry = directory[512 + 128 * i:512 + 128 * (i + 1)]
    size, = struct.unpack_from("<I", entry, 6)
    uploaded, = struct.unpack_from("<i", entry, 15)
    name = entry[28:entry.index(b"\0", 28)].decode("utf-8")
    when = datetime.datetime.fromtimestamp(uploaded, datetime.timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ")
    assert song["number"] == i + 1 and song["name"] == name and song["size"] == size, song
    assert song["uploaded"] == when, (song["uploaded"], when)
    assert song["format"] == "MPEG-1 Layer 3" and song["bitrate_kbps"] == 128 and song["sample_rate_hz"] == 44100
    assert song["duration_ms"] == size * 8 // 128 and song["plays"] is True, song
assert report == {"sound": True, "songs": count, "findings": []}, report
EOF
check "list --tsv: plain numbers, ISO dates" bash -c \
  "'$cli' --flash p.img list --tsv | sed -n 2p | grep -qP '^1\tc.mp3\t62550\t00:03\tMPEG-1 Layer 3\t128\t44100\t\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ$'"

# A name that is no UTF-8 on the player still gives valid JSON.
check "rename to a Windows-1252 name" status_is 0 "$cli" --flash p.img rename 1 "$(printf 'Caf\xe9 "quoted"\ttab')"
check "read as UTF-8, escaped" python3 -c "
import json, subprocess, sys
out = subprocess.run(['$cli', '--flash', 'p.img', 'list', '--json'], capture_output=True).stdout
assert json.loads(out.decode('utf-8'))['songs'][0]['name'] == 'Caf\u00e9 \"quoted\"\ttab'
"

# Uploading what the player holds already: left out unless --duplicates.
cp a.mp3 "copy of a.mp3"
check "a duplicate is left out" bash -c "'$cli' --flash p.img upload 'copy of a.mp3' d.mp3 2>err | grep -q 'stored 1 of 2 songs.*1 was on the player already'"
check "with a note" grep -q "copy of a.mp3: the same as \"a.mp3\" on the player" err
check "--duplicates stores it again" status_is 0 "$cli" --flash p.img upload "copy of a.mp3" --duplicates
check "five songs" [ "$("$cli" --flash p.img list --tsv | wc -l)" -eq 7 ]

# A download never overwrites a file unless told.
echo mine >a.mp3.keep
mkdir -p down && cp a.mp3.keep down/a.mp3
check "download beside a file of the same name" status_is 0 "$cli" --flash p.img download 3 --to down
check "the file is kept" cmp -s down/a.mp3 a.mp3.keep
check "the song is beside it" cmp -s "down/a (2).mp3" a.mp3
check "--overwrite replaces it" status_is 0 "$cli" --flash p.img download 3 --to down --overwrite
check "replaced" cmp -s down/a.mp3 a.mp3

if [ "$convert" = convert ]; then
  # An album of FLACs whose track tags run against their names, onto a
  # player that holds other songs: the album in track order, the others gone.
  mkdir -p album
  for n in 1 2 3; do sox -V1 -n -r 44100 -c 2 -b 16 "t$n.wav" synth 2 sine $((300 * n)); done
  flac -s t1.wav -o "album/a first.flac"
  flac -s t2.wav -o "album/b second.flac"
  flac -s t3.wav -o "album/c third.flac"
  metaflac --set-tag=TRACKNUMBER=3 "album/a first.flac"
  metaflac --set-tag=TRACKNUMBER=1 "album/b second.flac"
  metaflac --set-tag=TRACKNUMBER=2/3 "album/c third.flac"
  "$cli" --flash p.img list --tsv >before.tsv
  check "sync the album" status_is 0 "$cli" --flash p.img sync album --yes
  check "in track order, the others gone" [ "$(names)" = "b second.mp3 c third.mp3 a first.mp3 " ]
  check "converted" [ "$("$cli" --flash p.img list --tsv | sed -n 2p | cut -f5,6)" = "$(printf 'MPEG-1 Layer 3\t128')" ]
  check "synced again: recognised by the files they came from" bash -c \
    "'$cli' --flash p.img sync album --yes | grep -q 'Rio holds the list already'"
  check "undo" status_is 0 "$cli" --flash p.img undo --yes
  check "brings the old player back" cmp -s before.tsv <("$cli" --flash p.img list --tsv)
  check "its songs whole" bash -c "'$cli' --flash p.img download 2 --to back >/dev/null 2>&1 && cmp -s back/e.mp3 lists/sub/e.mp3"
fi

[ $failures -eq 0 ] && echo "all checks passed"
exit $((failures > 0))
