#!/usr/bin/env bash
# Builds the audio libraries of the Windows programs from Debian's source
# packages: FFmpeg's libavformat, libavcodec, libswresample and libavutil,
# with only the readers and decoders conversion needs, and LAME's
# libmp3lame. Static, without threads, network, assembler or external
# libraries, so the 32-bit programs still load on Windows 98, 2000 and XP.
#
# Usage: build-audio.sh ARCH PREFIX STAGE WORK SOURCES
#   ARCH     i586 (the 32-bit programs) or x86_64 (the 64-bit test build)
#   PREFIX   the folder the libraries will live in (their pkg-config files name it)
#   STAGE    where to install them meanwhile: they land in STAGE/PREFIX
#   WORK     an empty scratch folder
#   SOURCES  the folder holding the ffmpeg and lame source packages (apt-get source)
set -euo pipefail
arch=$1 prefix=$2 stage=$3 work=$4 sources=$5

case $arch in
  i586)
    host=i686-w64-mingw32 cc=i686-w64-mingw32-gcc-win32 cflags="-O2 -march=i586"
    ffmpeg_arch=(--arch=x86 --cpu=i586) ;;
  x86_64)
    host=x86_64-w64-mingw32 cc=x86_64-w64-mingw32-gcc-posix cflags="-O2"
    ffmpeg_arch=(--arch=x86_64) ;;
  *) echo "build-audio: unknown architecture $arch" >&2; exit 2 ;;
esac
jobs=$(nproc)
ffmpeg_version=$(dpkg-query -W -f='${source:Version}' libavcodec-dev)
lame_version=$(dpkg-query -W -f='${source:Version}' libmp3lame-dev)

# What a song may come in: FLAC, ALAC and AAC in M4A/MP4, WMA, Ogg Vorbis,
# Opus, WAV, AIFF, raw AAC and MPEG audio.
demuxers=aac,aiff,asf,flac,mov,mp3,ogg,wav
decoders=aac,alac,flac,mp1,mp2,mp3,opus,vorbis,wmav1,wmav2
decoders+=,pcm_alaw,pcm_mulaw,pcm_u8,pcm_s8,pcm_s16le,pcm_s16be,pcm_s24le,pcm_s24be,pcm_s32le,pcm_s32be
decoders+=,pcm_f32le,pcm_f32be,pcm_f64le,pcm_f64be
parsers=aac,flac,mpegaudio,opus,vorbis

# Turns off a feature FFmpeg's configure found, and the system library it
# would link, in its outputs for the compiler, make and pkg-config.
ffmpeg_turn_off() {
  local name=$1 library=$2
  sed -i "s/^#define HAVE_${name^^} 1$/#define HAVE_${name^^} 0/" config.h
  sed -i "s/^HAVE_${name^^}=yes$/!HAVE_${name^^}=yes/" ffbuild/config.mak
  [ -z "$library" ] || sed -i -E "s/(^|[ =\"])$library\b/\1/g" ffbuild/config.mak ffbuild/config.sh
}

build_ffmpeg() {
  dpkg-source -x "$sources/ffmpeg_${ffmpeg_version#*:}.dsc" ffmpeg
  cd ffmpeg
  if [ "$arch" = i586 ]; then
    # Windows 2000's msvcrt.dll lacks the 64-bit-time stat calls: their
    # 32-bit-time forms carry the same sizes.
    sed -i -e 's/struct _stat64\b/struct _stat32i64/' -e 's/\b_wstat64(/_wstat32i64(/' \
      -e 's/\b_stat64(/_stat32i64(/' -e 's/\b_fstat64(/_fstat32i64(/' libavformat/os_support.h
  fi
  ./configure --prefix="$prefix" --enable-cross-compile --target-os=mingw32 "${ffmpeg_arch[@]}" \
    --cross-prefix=$host- --cc="$cc" --extra-cflags="$cflags" \
    --enable-static --disable-shared --disable-programs --disable-doc --disable-debug \
    --disable-autodetect --disable-network --disable-pthreads --disable-w32threads --disable-os2threads \
    --disable-asm --disable-runtime-cpudetect \
    --disable-avdevice --disable-avfilter --disable-swscale --disable-postproc \
    --disable-everything --enable-protocol=file --enable-demuxer=$demuxers \
    --enable-decoder=$decoders --enable-parser=$parsers
  # XP has no bcrypt.dll: random seeds come from FFmpeg's other sources.
  ffmpeg_turn_off bcrypt -lbcrypt
  # Windows 2000's msvcrt.dll has no _aligned_malloc; with no assembler,
  # plain malloc's alignment serves.
  [ "$arch" != i586 ] || ffmpeg_turn_off aligned_malloc ""
  make -j"$jobs"
  make install DESTDIR="$stage"
}

build_lame() {
  dpkg-source -x "$sources/lame_${lame_version#*:}.dsc" lame
  cd lame
  local no_sse=()
  # The SSE quantizer would be compiled in, though LAME only calls it on
  # processors that have SSE; the 32-bit programs carry none.
  [ "$arch" != i586 ] || no_sse=(ac_cv_header_xmmintrin_h=no)
  ./configure --host=$host --prefix="$prefix" --disable-shared --enable-static \
    --disable-frontend --disable-decoder --disable-analyzer-hooks --disable-gtktest \
    CC="$cc" CFLAGS="$cflags" "${no_sse[@]}"
  make -j"$jobs" -C libmp3lame
  make -C libmp3lame install DESTDIR="$stage"
  make -C include install DESTDIR="$stage"
}

cd "$work"
declare -A builds
for build in build_ffmpeg build_lame; do
  ("$build") >"$work/$build.log" 2>&1 &
  builds[$build]=$!
done
status=0
for build in "${!builds[@]}"; do
  if ! wait "${builds[$build]}"; then
    echo "build-audio ($arch): $build failed; the end of $work/$build.log:" >&2
    tail -n 40 "$work/$build.log" >&2
    status=1
  fi
done
exit $status
