# Warnings everywhere; sanitizers for the checking build; static Windows
# programs, which otherwise need MinGW runtime DLLs that nobody has.
add_compile_options(-Wall -Wextra -Wno-missing-field-initializers)

if(MELLIFON_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  # A checking build keeps its assertions; -O1 is the level the sanitizers
  # are made for, and runs the tests under them some three times faster than none.
  add_compile_options($<$<CONFIG:Debug>:-O1>)
  add_link_options(-fsanitize=address,undefined)
endif()

# Coverage for libFuzzer everywhere; the fuzz targets link its driver.
if(MELLIFON_FUZZ)
  # The list of what goes uncovered is part of the flags: a change to it
  # reconfigures the tree and compiles everything again.
  set(MELLIFON_COVERAGE_IGNORE ${CMAKE_SOURCE_DIR}/fuzz/coverage-ignore.txt)
  set(MELLIFON_SANITIZE_IGNORE ${CMAKE_SOURCE_DIR}/fuzz/sanitize-ignore.txt)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${MELLIFON_COVERAGE_IGNORE} ${MELLIFON_SANITIZE_IGNORE})
  file(SHA1 ${MELLIFON_COVERAGE_IGNORE} MELLIFON_COVERAGE_IGNORE_SHA1)
  file(SHA1 ${MELLIFON_SANITIZE_IGNORE} MELLIFON_SANITIZE_IGNORE_SHA1)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer
                      -fsanitize-coverage-ignorelist=${MELLIFON_COVERAGE_IGNORE}
                      -fsanitize-ignorelist=${MELLIFON_SANITIZE_IGNORE}
                      -DMELLIFON_IGNORE_LISTS=${MELLIFON_COVERAGE_IGNORE_SHA1}${MELLIFON_SANITIZE_IGNORE_SHA1})
  add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
  add_link_options(-static)
  # Headers without the calls of Windows after XP.
  add_compile_definitions(_WIN32_WINNT=0x0501 _WIN32_IE=0x0600)
endif()

# The 32-bit programs: a PE header that the Windows 98, 2000 and XP loaders
# accept (system version 4.0).
if(WIN32 AND MELLIFON_OLD_WINDOWS)
  add_link_options(-Wl,--major-subsystem-version,4,--minor-subsystem-version,0
                   -Wl,--major-os-version,4,--minor-os-version,0)
endif()

# The 32-bit programs run on the Pentium (MMX), K6-2 and 6x86MX: no Pentium
# Pro instructions in our code, nor in the runtime, which comes from the
# folder the toolchain file found (-B for its crt2.o and crtbegin.o, -L for
# its libgcc, libstdc++ and C runtime).
if(MELLIFON_I586_RUNTIME)
  add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-march=i586>)
  add_link_options(-B${MELLIFON_I586_RUNTIME}/lib/ -L${MELLIFON_I586_RUNTIME}/lib)
endif()
