# TagLib (the tags of every container) and expat (the XML of .xspf lists) as
# one target, mellifon_metadata_libraries. Natively they are Debian's -dev
# packages; in the Windows trees the static libraries scripts/setup built for
# that tree (scripts/lib/build-metadata.sh). Either way the headers are
# included as <taglib/tag.h> and <expat.h>.
add_library(mellifon_metadata_libraries INTERFACE IMPORTED)

if(NOT WIN32)
  pkg_check_modules(MELLIFON_TAGLIB REQUIRED IMPORTED_TARGET taglib)
  pkg_check_modules(MELLIFON_EXPAT REQUIRED IMPORTED_TARGET expat)
  target_link_libraries(mellifon_metadata_libraries INTERFACE PkgConfig::MELLIFON_TAGLIB PkgConfig::MELLIFON_EXPAT)
  return()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/WindowsLibraryDir.cmake)
mellifon_windows_library_dir(metadata "tag and playlist libraries" _metadata_dir)
target_include_directories(mellifon_metadata_libraries INTERFACE "${_metadata_dir}/include")
target_compile_definitions(mellifon_metadata_libraries INTERFACE TAGLIB_STATIC XML_STATIC)
target_link_libraries(mellifon_metadata_libraries INTERFACE "${_metadata_dir}/lib/libtag.a" "${_metadata_dir}/lib/libexpat.a")
