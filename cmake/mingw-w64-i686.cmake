# 32-bit Windows programs, where players on real ports live: XP, 2000 and 98.
# The win32 thread-model compilers, because the posix ones pull in
# winpthreads, which imports GetTickCount64 (not on XP) and
# AddVectoredExceptionHandler (not on 2000). Their C++ library has no
# std::thread, so this tree builds the programs only; the tests run in the
# x86_64 tree. Compiled as a check only: these machines cannot run 32-bit
# programs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(MELLIFON_TESTS OFF CACHE BOOL "Build the tests" FORCE)
set(MELLIFON_OLD_WINDOWS ON CACHE BOOL "Programs that load on Windows 98, 2000 and XP" FORCE)
