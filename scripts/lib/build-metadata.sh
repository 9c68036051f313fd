#!/usr/bin/env bash
# Builds the libraries that read what a file says about its music for the
# Windows programs, from Debian's source packages: TagLib (the tags of every
# container) and expat (the XML of .xspf playlists). Static, without zlib,
# for the same compilers and processors as the audio libraries.
#
# Usage: build-metadata.sh ARCH PREFIX STAGE WORK SOURCES
#   ARCH     i586 (the 32-bit programs) or x86_64 (the 64-bit test build)
#   PREFIX   the folder the libraries will live in (their pkg-config files name it)
#   STAGE    where to install them meanwhile: they land in STAGE/PREFIX
#   WORK     an empty scratch folder
#   SOURCES  the folder holding the taglib and expat source packages (apt-get source)
set -euo pipefail
arch=$1 prefix=$2 stage=$3 work=$4 sources=$5

case $arch in
  i586)
    host=i686-w64-mingw32 cc=i686-w64-mingw32-gcc-win32 cxx=i686-w64-mingw32-g++-win32 flags="-O2 -march=i586" ;;
  x86_64)
    host=x86_64-w64-mingw32 cc=x86_64-w64-mingw32-gcc-posix cxx=x86_64-w64-mingw32-g++-posix flags="-O2" ;;
  *) echo "build-metadata: unknown architecture $arch" >&2; exit 2 ;;
esac
jobs=$(nproc)

# The newest source package of NAME that scripts/setup fetched.
source_package() {
  find "$sources" -maxdepth 1 -name "$1_*.dsc" | sort -V | tail -n 1
}

# A CMake project configured for Windows with this tree's compilers.
configure_for_windows() {
  local source=$1 build=$2
  shift 2
  cmake -S "$source" -B "$build" -G Ninja -DCMAKE_SYSTEM_NAME=Windows \
    -DCMAKE_C_COMPILER=$cc -DCMAKE_CXX_COMPILER=$cxx -DCMAKE_RC_COMPILER=$host-windres \
    -DCMAKE_FIND_ROOT_PATH=/usr/$host -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER \
    -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="$flags" -DCMAKE_CXX_FLAGS_RELEASE="$flags" \
    -DCMAKE_INSTALL_PREFIX="$prefix" "$@"
}

build_and_install() {
  cmake --build "$1" -j "$jobs"
  DESTDIR="$stage" cmake --install "$1"
}

build_taglib() {
  dpkg-source -x "$(source_package taglib)" taglib
  # Debian points TagLib at its own packaged UTF-8 headers; the copy TagLib
  # carries serves a cross build.
  (cd taglib && patch -R -p1 -s <debian/patches/0001-Use-system-libutf8cpp-library.patch)
  configure_for_windows taglib taglib-build -DBUILD_SHARED_LIBS=OFF -DWITH_ZLIB=OFF \
    -DBUILD_BINDINGS=OFF -DBUILD_TESTING=OFF -DBUILD_EXAMPLES=OFF
  build_and_install taglib-build
}

build_expat() {
  dpkg-source -x "$(source_package expat)" expat
  configure_for_windows expat/expat expat-build -DEXPAT_SHARED_LIBS=OFF -DEXPAT_BUILD_TOOLS=OFF \
    -DEXPAT_BUILD_EXAMPLES=OFF -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF
  # Debian's fixes test "#if XML_DTD == 1", as its own build defines it;
  # expat's CMake files define it empty.
  sed -i 's/^#define XML_DTD$/#define XML_DTD 1/' expat-build/expat_config.h
  build_and_install expat-build
}

source "$(dirname "${BASH_SOURCE[0]}")/side-by-side.sh"
side_by_side "build-metadata ($arch)" "$work" build_taglib build_expat
