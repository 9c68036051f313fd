#!/usr/bin/env bash
# mellifon-cli as a user runs it, against a player image in a scratch folder:
# upload, list, download, rename, move, remove, init, and the exit codes.
set -uo pipefail
source "$(dirname "$0")/checks.sh"
cli=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
# The copies of the directory stay in the scratch folder too.
export XDG_DATA_HOME="$work/data"

field() { # row (1-based), column (1-based) of list --tsv
  "$cli" --flash p.img list --tsv | sed -n "$(($1 + 1))p" | cut -f"$2"
}

# Frames of MPEG audio: header, then payload.
frames() { # count, header bytes as printf escapes
  for ((i = 0; i < $1; i++)); do printf "$2"; head -c 413 /dev/zero; done
}
frames 300 '\xff\xfb\x90\x64' >a.mp3   # MPEG-1 Layer 3, 128 kbit/s, 44100 Hz
frames 1000 '\xff\xf3\xc0\x00' >b.mp3  # MPEG-2 Layer 3, 128 kbit/s, 22050 Hz: frames of 417 bytes

check "upload two files" status_is 0 "$cli" --flash p.img upload a.mp3 b.mp3
check "first song's format" [ "$(field 1 5)" = "MPEG-1 Layer 3" ]
check "first song's bit rate" [ "$(field 1 6)" = "128" ]
check "first song's sample rate" [ "$(field 1 7)" = "44100" ]
check "first song's playing time" [ "$(field 1 4)" = "00:07" ]
check "second song's format" [ "$(field 2 5)" = "MPEG-2 Layer 3" ]
check "second song's size" [ "$(field 2 3)" = "417000" ]
check "status texts" [ "$("$cli" --flash p.img list --tsv | tail -1)" = \
  "$(printf 'Songs:2\tMemory:33554432\tFree:32964608\tUsed:589824')" ]
check "header line" [ "$("$cli" --flash p.img list | head -1 | tr -s ' ')" = \
  "No. Name Size Duration Format Bitrate Rate Date" ]

check "download into a new folder" status_is 0 "$cli" --flash p.img download 1 2 --to out
check "downloads are byte-identical" cmp -s out/a.mp3 a.mp3
check "downloads are byte-identical" cmp -s out/b.mp3 b.mp3

check "rename" status_is 0 "$cli" --flash p.img rename 1 "../up and out"
check "renamed" [ "$(field 1 2)" = "../up and out" ]
check "download of a path-like name" status_is 0 "$cli" --flash p.img download 1 --to out
check "stays in the folder" [ -f "out/.._up and out" ] 
check "nothing outside the folder" [ ! -e "up and out" ]
check "empty names are a usage error" status_is 2 "$cli" --flash p.img rename 1 ""
check "a song number that is none is a usage error" status_is 2 "$cli" --flash p.img rename abc x
check "so is 0" status_is 2 "$cli" --flash p.img move 0 1

check "move" status_is 0 "$cli" --flash p.img move 2 1
check "moved" [ "$(field 1 2)" = "b.mp3" ]
check "others keep their order" [ "$(field 2 2)" = "../up and out" ]

check "remove without a terminal is refused" status_is 1 "$cli" --flash p.img remove 1
check "still two songs" [ "$(field 2 2)" = "../up and out" ]
check "remove --yes" status_is 0 "$cli" --flash p.img remove 1 --yes
check "one song left" [ "$(field 1 2)" = "../up and out" ]
check "no song 5" status_is 1 "$cli" --flash p.img remove 5 --yes

# A save that does not reach the player is a failure, whatever the command.
powerless() { MELLIFON_SIM_POWER_CUT_AFTER=0 "$cli" --flash p.img "$@"; }
check "a rename that is not saved fails" status_is 1 powerless rename 1 "lost"
check "the name is the old one" [ "$(field 1 2)" = "../up and out" ]
check "an init that is not saved fails" status_is 1 powerless init --yes
check "an upload that is not stored fails" status_is 1 powerless upload a.mp3 --duplicates
check "nothing changed" [ "$("$cli" --flash p.img list --tsv | wc -l)" -eq 3 ]
# The power cut in a batch's second song: a failed write is no refusal, and
# the free memory is what the player's directory says.
MELLIFON_SIM_POWER_CUT_AFTER=600 "$cli" --flash cut.img upload a.mp3 b.mp3 >cut.txt 2>/dev/null
free=$("$cli" --flash cut.img list --tsv | tail -1 | cut -f3 | awk -F: '{printf "%.1f MB free", $2 / 1048576}')
check "a write cut short is counted as failed: $(cat cut.txt)" [ "$(cat cut.txt)" = "stored 1 of 2 songs, 0.1 MB, $free; 1 failed" ]
# Block 0 damaged, and the power cut as its repair from the copy is written:
# the list shows the copy as not written back, and nothing is built on it.
printf 'ZZZZZZZZ' | dd of=cut.img bs=1 seek=100 conv=notrunc 2>/dev/null
MELLIFON_SIM_POWER_CUT_AFTER=0 "$cli" --flash cut.img list --json >cut.json 2>/dev/null
check "a repair not written back fails the listing" [ $? -eq 1 ]
check "which says so" grep -q '"damaged": true' cut.json
check "and from what" grep -q '"shown_from_copy": true' cut.json
check "and lists the copy's song" grep -q '"name": "a.mp3"' cut.json
check "no change is built on it" bash -c "MELLIFON_SIM_POWER_CUT_AFTER=0 '$cli' --flash cut.img rename 1 x 2>&1 | grep -q 'is damaged, so Mellifon does not change it'"

check "init without a terminal is refused" status_is 1 "$cli" --flash p.img init
check "init --yes" status_is 0 "$cli" --flash p.img init --yes
check "empty after init" [ "$("$cli" --flash p.img list --tsv | wc -l)" -eq 2 ]

check "a missing file fails" status_is 1 "$cli" --flash p.img upload missing.mp3
check "no command is a usage error" status_is 2 "$cli" --flash p.img
check "an unknown option is a usage error" status_is 2 "$cli" list --bogus
check "an option of another command is a usage error" status_is 2 "$cli" list --yes
check "a number that is none" status_is 2 "$cli" --flash p.img download x1
check "a song the player lacks fails" status_is 1 "$cli" --flash p.img download 99 --to new/deeper
check "and leaves no folder behind" [ ! -e new ]
: >empty.mp3
check "an empty file is refused" status_is 1 "$cli" --flash p.img upload empty.mp3
check "by its name" bash -c "'$cli' --flash p.img upload empty.mp3 2>&1 | grep -q 'empty.mp3: the file is empty'"

# Names on the player are bytes: Windows-1252 when the name fits, else UTF-8;
# what is shown is UTF-8, and so are the names of downloaded files.
name_bytes() { # slot (0-based), bytes: the stored name in hex
  od -An -tx1 -v -j $((528 + 128 * $1 + 28)) -N "$2" p.img | tr -d ' \n'
}
cp a.mp3 "Café.mp3"
check "upload of Café.mp3" status_is 0 "$cli" --flash p.img upload "Café.mp3"
check "stored in Windows-1252" [ "$(name_bytes 0 9)" = "436166e92e6d703300" ]
check "shown in UTF-8" [ "$(field 1 2)" = "Café.mp3" ]
check "upload again" status_is 0 "$cli" --flash p.img upload a.mp3 --duplicates
check "rename to 日本" status_is 0 "$cli" --flash p.img rename 2 "日本"
check "stored in UTF-8" [ "$(name_bytes 1 7)" = "e697a5e69cac00" ]
check "shown as it is" [ "$(field 2 2)" = "日本" ]
check "downloads named in UTF-8" status_is 0 "$cli" --flash p.img download 1 2 --to names
check "Café.mp3 downloaded" cmp -s "names/Café.mp3" a.mp3
check "日本 downloaded" cmp -s "names/日本" a.mp3
long="$(printf 'a%.0s' {1..98})日本"
check "a long name is cut between characters, and the user told" bash -c \
  "'$cli' --flash p.img rename 2 '$long' 2>&1 | grep -q 'stored as its first 98 characters'"
check "98 bytes kept" [ "$(field 2 2)" = "$(printf 'a%.0s' {1..98})" ]
cp a.mp3 "$long.mp3"
check "so is a long file name at upload" bash -c \
  "'$cli' --flash p.img upload '$long.mp3' --duplicates 2>&1 | grep -q 'stored as its first 98 characters'"
check "98 bytes kept" [ "$(name_bytes 2 99)" = "$(printf '61%.0s' {1..98})00" ]
check "help" status_is 0 "$cli" --help
check "one command's help is that command's alone" bash -c \
  "'$cli' upload --help | head -1 | grep -q '^usage: .* upload ITEM' && ! '$cli' upload --help | grep -q 'rescue \\[--yes\\]'"
check "a usage error shows its command's usage" bash -c "'$cli' list --yes 2>&1 | grep -q 'usage: .* list \\[--tsv'"
check "the version, with the libraries'" bash -c "'$cli' --version | grep -q '^mellifon-cli [0-9]' && '$cli' --version | grep -q 'LAME' && '$cli' --version | grep -q '^TagLib 1'"
check "a file that is no image" bash -c "echo hello >bad.img; ! '$cli' --flash bad.img list 2>/dev/null"

check "a new 16 MiB image" status_is 0 "$cli" --flash small.img --flash-size 16 upload a.mp3
check "its size" [ "$(stat -c %s small.img)" -eq $((512 * 64 * 528)) ]
check "its memory" [ "$("$cli" --flash small.img list --tsv | tail -1 | cut -f2)" = "Memory:16777216" ]
check "an image keeps its size" status_is 1 "$cli" --flash small.img --flash-size 32 list
check "a size beyond 32 MiB" status_is 2 "$cli" --flash big.img --flash-size 64 list

check "copies of the directory on this PC" [ -n "$(ls "$work/data/mellifon/directory-copies")" ]
check "default image" status_is 0 "$cli" upload a.mp3
check "default image in XDG_DATA_HOME" [ -f "$work/data/mellifon/player.img" ]

# No folder for the copies and no block left for a shadow: the save asks,
# and a user with no terminal to answer on is still told why nothing was stored.
head -c $((31 * 32768)) /dev/zero | tr '\0' 'x' >whole.mp3 # with block 0, the whole of a 1 MiB player
XDG_DATA_HOME="$work/a.mp3/no folder" "$cli" --flash whole.img --flash-size 1 upload --as-is whole.mp3 \
  </dev/null 2>asked.txt
check "an unanswered question fails the upload" [ $? -eq 1 ]
check "and says why" grep -q "cannot keep a copy of the directory before saving it" asked.txt
check "and that it was not answered" grep -q "no terminal to answer on" asked.txt

[ $failures -eq 0 ] && echo "all checks passed"
exit $((failures > 0))
