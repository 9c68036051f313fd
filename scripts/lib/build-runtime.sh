#!/usr/bin/env bash
# Rebuilds the runtime of the 32-bit programs for the Pentium (i586): Debian's
# i686 MinGW-w64 libraries were built for the Pentium Pro and are full of its
# conditional moves, which a Pentium MMX, K6-2 or 6x86MX cannot run.
#
# Only the target libraries are rebuilt, with Debian's own cross compiler, so
# they stay the same code as Debian's (same members, same configuration):
#   libgcc.a, libgcc_eh.a, crtbegin.o, crtend.o   from gcc-12-source's tarball
#   libstdc++.a, libsupc++.a                       the same
#   crt2.o, libmingw32.a, libmingwex.a, libmoldname.a, libmsvcrt.a
#                                                  from the mingw-w64 source package
# The compiler's own headers stay in use; c++config.h is compared with them.
#
# Usage: build-runtime.sh LIBDIR WORK SOURCES
#   LIBDIR   where the libraries go
#   WORK     an empty scratch folder
#   SOURCES  the folder holding the mingw-w64 source package (apt-get source)
set -euo pipefail
libdir=$1 work=$2 sources=$3

target=i686-w64-mingw32
cc="$target-gcc-win32"
cxx="$target-g++-win32"
flags="-O2 -march=i586"
jobs=$(nproc)
gcc_version=$(dpkg-query -W -f='${Version}' gcc-12-source | sed 's/-.*//')
gcc_tarball=/usr/src/gcc-12/gcc-$gcc_version-dfsg.tar.xz
crt_version=$(dpkg-query -W -f='${source:Version}' mingw-w64-i686-dev)
debian_cxx_config=/usr/lib/gcc/$target/12-win32/include/c++/$target/bits/c++config.h

cd "$work"
mkdir -p "$libdir"

# The C runtime: only the libraries every program links, not the hundreds
# of import libraries (those hold no code).
build_crt() {
  dpkg-source -x "$sources/mingw-w64_${crt_version#*:}.dsc" mingw-w64
  mkdir -p crt/lib32 && cd crt
  ../mingw-w64/mingw-w64-crt/configure --host=$target --disable-lib64 --enable-lib32 \
    CC="$cc" CFLAGS="$flags" AR=$target-ar RANLIB=$target-ranlib DLLTOOL=$target-dlltool
  make -j"$jobs" lib32/crt2.o lib32/libmingw32.a lib32/libmingwex.a lib32/libmoldname.a lib32/libmsvcrt.a
  cp lib32/crt2.o lib32/libmingw32.a lib32/libmingwex.a lib32/libmoldname.a lib32/libmsvcrt.a "$libdir/"
}

# libgcc builds inside a configured gcc folder, from a few of its generated
# headers; the compiler itself is not built.
build_libgcc() {
  local src=$work/gcc-$gcc_version
  mkdir -p gcc-build/gcc gcc-build/build-x86_64-linux-gnu/libiberty gcc-build/$target/libgcc
  (cd gcc-build/gcc &&
    "$src/gcc/configure" --build=x86_64-linux-gnu --host=x86_64-linux-gnu --target=$target \
      --prefix=/usr --disable-multilib --enable-languages=c,c++ --enable-threads=win32 \
      --disable-sjlj-exceptions --with-dwarf2 --enable-shared --enable-static \
      --enable-version-specific-runtime-libs --with-as=/usr/bin/$target-as --with-ld=/usr/bin/$target-ld)
  # insn-constants.h comes from a generator program, which needs libiberty.
  (cd gcc-build/build-x86_64-linux-gnu/libiberty &&
    "$src/libiberty/configure" --build=x86_64-linux-gnu --host=x86_64-linux-gnu &&
    make -j"$jobs" libiberty.a)
  # specs and xgcc belong to the compiler, which is not built: -o skips them.
  (cd gcc-build/gcc &&
    make -o specs -o xgcc tm.h tconfig.h options.h insn-constants.h libgcc.mvars &&
    # Debian's compiler has the C runtime's headers; without a sysroot this
    # configure cannot see them and would build libgcc as if there were none.
    sed -i 's/^INHIBIT_LIBC_CFLAGS = .*/INHIBIT_LIBC_CFLAGS =/' libgcc.mvars)
  (cd gcc-build/$target/libgcc &&
    "$src/libgcc/configure" --build=x86_64-linux-gnu --host=$target --target=$target --prefix=/usr \
      --enable-shared --enable-version-specific-runtime-libs CC="$cc" CFLAGS="$flags" &&
    make -j"$jobs" libgcc.a libgcc_eh.a crtbegin.o crtend.o &&
    cp libgcc.a libgcc_eh.a crtbegin.o crtend.o "$libdir/")
}

# libstdc++ on its own, configured as Debian's (less the shared library and
# its symbol versions). -nostdinc++ as inside a gcc build: its configure
# must not see the installed C++ headers.
build_libstdcxx() {
  local src=$work/gcc-$gcc_version
  mkdir -p gcc-build/$target/libstdc++-v3 && cd gcc-build/$target/libstdc++-v3
  "$src/libstdc++-v3/configure" --build=x86_64-linux-gnu --host=$target --target=$target --prefix=/usr \
    --disable-multilib --disable-shared --enable-static --enable-version-specific-runtime-libs \
    --enable-fully-dynamic-string --enable-libstdcxx-time=yes --enable-libstdcxx-filesystem-ts=yes \
    --disable-libstdcxx-pch --disable-nls \
    CC="$cc" CXX="$cxx -nostdinc++" CFLAGS="$flags" CXXFLAGS="$flags"
  make -j"$jobs"
  # The programs compile against the compiler's headers: they must describe
  # this library. Only the shared library's symbol versions may differ.
  local differences
  differences=$(diff "$debian_cxx_config" include/$target/bits/c++config.h |
    grep -E '^[<>]' | grep -v -E '_GLIBCXX_(SYMVER|SYMVER_GNU|HAVE_SYMVER_SYMBOL_RENAMING_RUNTIME_SUPPORT|HAVE_EXCEPTION_PTR_SINCE_GCC46)\b' || true)
  if [ -n "$differences" ]; then
    echo "build-runtime: this libstdc++ is configured unlike the compiler's headers:" >&2
    echo "$differences" >&2
    return 1
  fi
  cp src/.libs/libstdc++.a libsupc++/.libs/libsupc++.a "$libdir/"
}

# The three builds run side by side, each in a subshell that stops at its
# first failure, with a log of its own; a failure shows the end of its log.
tar -xJf "$gcc_tarball" --exclude="gcc-$gcc_version/gcc/testsuite" --exclude="gcc-$gcc_version/libgo" \
  --exclude="gcc-$gcc_version/libphobos" --exclude="gcc-$gcc_version/gcc/ada"
declare -A builds
for build in build_crt build_libgcc build_libstdcxx; do
  ("$build") >"$work/$build.log" 2>&1 &
  builds[$build]=$!
done
status=0
for build in "${!builds[@]}"; do
  if ! wait "${builds[$build]}"; then
    echo "build-runtime: $build failed; the end of $work/$build.log:" >&2
    tail -n 40 "$work/$build.log" >&2
    status=1
  fi
done
exit $status
