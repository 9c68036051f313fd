# FFmpeg's decoding libraries (libavformat, libavcodec, libswresample,
# libavutil) and LAME's libmp3lame as one target, mellifon_audio_libraries.
# Natively they are Debian's -dev packages; in the Windows trees the static
# libraries scripts/setup built for that tree (scripts/lib/build-audio.sh),
# with the system libraries they need. Either way the headers are included
# as <libavformat/avformat.h> and <lame/lame.h>.
find_package(PkgConfig REQUIRED)
add_library(mellifon_audio_libraries INTERFACE IMPORTED)

if(NOT WIN32)
  pkg_check_modules(MELLIFON_FFMPEG REQUIRED IMPORTED_TARGET libavformat libavcodec libswresample libavutil)
  pkg_check_modules(MELLIFON_LAME REQUIRED IMPORTED_TARGET lame)
  target_link_libraries(mellifon_audio_libraries INTERFACE PkgConfig::MELLIFON_FFMPEG PkgConfig::MELLIFON_LAME)
  return()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/WindowsLibraryDir.cmake)
mellifon_windows_library_dir(audio "audio libraries" _audio_dir)

# FFmpeg's pkg-config files name the system libraries a static link needs.
set(ENV{PKG_CONFIG_LIBDIR} "${_audio_dir}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
pkg_check_modules(MELLIFON_FFMPEG REQUIRED libavformat libavcodec libswresample libavutil)
set(_libraries "")
foreach(_name IN LISTS MELLIFON_FFMPEG_STATIC_LIBRARIES)
  if(EXISTS "${_audio_dir}/lib/lib${_name}.a")
    list(APPEND _libraries "${_audio_dir}/lib/lib${_name}.a")
  else()
    list(APPEND _libraries ${_name})
  endif()
endforeach()
target_include_directories(mellifon_audio_libraries INTERFACE "${_audio_dir}/include" "${_audio_dir}/include/lame")
target_link_libraries(mellifon_audio_libraries INTERFACE ${_libraries} "${_audio_dir}/lib/libmp3lame.a")
