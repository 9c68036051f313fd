# 32-bit Windows programs, where players on real ports live: XP, 2000 and 98,
# on the Pentium (MMX), K6-2 and 6x86MX of that era as well as later
# processors.
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

# No Pentium Pro instructions (cmov, fcmov, fcomi): CompilerOptions.cmake
# builds our code for i586 and links the runtime that scripts/setup rebuilt
# for i586 (Debian's is built for the Pentium Pro).
execute_process(COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/../scripts/lib/libraries.sh" dir runtime-i586
                OUTPUT_VARIABLE MELLIFON_I586_RUNTIME OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _status)
if(NOT _status EQUAL 0 OR NOT EXISTS "${MELLIFON_I586_RUNTIME}/.complete")
  message(FATAL_ERROR "The runtime rebuilt for i586 is missing (${MELLIFON_I586_RUNTIME}): run scripts/setup")
endif()
