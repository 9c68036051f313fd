# Warnings everywhere; sanitizers for the checking build; static Windows
# programs, which otherwise need MinGW runtime DLLs that nobody has.
add_compile_options(-Wall -Wextra -Wno-missing-field-initializers)

if(MELLIFON_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Coverage for libFuzzer everywhere; the fuzz targets link its driver.
if(MELLIFON_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer
                      -fsanitize-coverage-ignorelist=${CMAKE_SOURCE_DIR}/fuzz/coverage-ignore.txt)
  add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
  add_link_options(-static)
endif()
