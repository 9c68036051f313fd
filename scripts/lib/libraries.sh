# The libraries scripts/setup builds for the Windows programs from Debian's
# source packages, and where they are kept: outside every work tree, in a
# folder named after a hash of what went into them (the package versions and
# the recipe), so a fresh clone on the same machine finds them, and a new
# compiler or recipe gets a folder of its own.
#
#   runtime-i586   libgcc, libstdc++ and MinGW-w64's C runtime for the 32-bit programs
#   audio-i586     FFmpeg's decoding libraries and LAME for the 32-bit programs
#   audio-x86_64   the same for the 64-bit test build
#   metadata-i586  TagLib and expat for the 32-bit programs
#   metadata-x86_64  the same for the 64-bit test build
#
# Source this file, or run it: `bash scripts/lib/libraries.sh dir NAME`
# prints the folder of NAME (the CMake files ask it so), `... root` the folder
# that holds them all (and the compiler cache, cmake/CompilerCache.cmake).

MELLIFON_LIBRARIES=(runtime-i586 audio-i586 audio-x86_64 metadata-i586 metadata-x86_64)
MELLIFON_LIBRARY_SCRIPTS="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

# /var/cache/mellifon for root, else the user's cache; MELLIFON_CACHE overrides.
mellifon_cache_root() {
  if [ -n "${MELLIFON_CACHE:-}" ]; then
    echo "$MELLIFON_CACHE"
  elif [ "$(id -u)" -eq 0 ]; then
    echo /var/cache/mellifon
  else
    echo "${XDG_CACHE_HOME:-$HOME/.cache}/mellifon"
  fi
}

# The installed version of a package, or "none".
package_version() {
  dpkg-query -W -f='${Version}' "$1" 2>/dev/null || echo none
}

# A package's version as its authors number it: 2.5.0 of 2.5.0-1+deb12u5.
upstream_version() {
  upstream_version_of "$(package_version "$1")"
}
upstream_version_of() {
  local version=${1#*:}
  echo "${version%-*}"
}

# The recipe of a library: the script that builds it.
library_recipe() {
  case $1 in
    runtime-i586) echo "$MELLIFON_LIBRARY_SCRIPTS/build-runtime.sh" ;;
    audio-*) echo "$MELLIFON_LIBRARY_SCRIPTS/build-audio.sh" ;;
    metadata-*) echo "$MELLIFON_LIBRARY_SCRIPTS/build-metadata.sh" ;;
    *) echo "unknown library $1" >&2; return 1 ;;
  esac
}

# Everything a library is made from, as text to hash.
library_inputs() {
  local recipe
  recipe=$(library_recipe "$1") || return 1
  echo "$1"
  cat "$recipe"
  case $1 in
    runtime-i586)
      local p
      for p in gcc-mingw-w64-i686-win32 g++-mingw-w64-i686-win32 mingw-w64-i686-dev gcc-12-source; do
        echo "$p $(package_version "$p")"
      done ;;
    audio-i586)
      echo "gcc-mingw-w64-i686-win32 $(package_version gcc-mingw-w64-i686-win32)" ;;
    audio-x86_64 | metadata-x86_64)
      echo "gcc-mingw-w64-x86-64-posix $(package_version gcc-mingw-w64-x86-64-posix)" ;;
    metadata-i586)
      echo "gcc-mingw-w64-i686-win32 $(package_version gcc-mingw-w64-i686-win32)" ;;
  esac
  case $1 in
    audio-*)
      # The sources are those of the native build's -dev packages.
      echo "ffmpeg $(package_version libavcodec-dev) lame $(package_version libmp3lame-dev)" ;;
    metadata-*)
      # The versions of the native build's, as their authors number them:
      # the archive may no longer offer the source of the very package installed.
      echo "taglib $(upstream_version libtag1-dev) expat $(upstream_version libexpat1-dev)" ;;
  esac
}

library_dir() {
  local hash
  hash=$(library_inputs "$1" | sha256sum | cut -c1-16) || return 1
  echo "$(mellifon_cache_root)/$1-$hash"
}

# A library is there once its build finished: the folder appears whole, by
# a rename, only then.
library_ready() {
  [ -f "$(library_dir "$1")/.complete" ]
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  case ${1:-} in
    dir) library_dir "$2" ;;
    root) mellifon_cache_root ;;
    *) echo "usage: bash scripts/lib/libraries.sh dir NAME | root" >&2; exit 2 ;;
  esac
fi
