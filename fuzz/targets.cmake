# The fuzz targets and what each is built from, in one list for the two
# builds that use it: the fuzz build (fuzz/CMakeLists.txt, clang and
# libFuzzer) and the test build that replays the seed corpus and the saved
# findings (tests/hardening). Both set fuzz_dir and source_root first and
# provide the libraries record_io, beadweave_core and pairprobe_core.
set(fuzz_targets
  fixed_reader free_reader template_library structure_input configuration
  mapping command_line partial_residue)

# beadmap's and beadbuild's pieces that need no structure library: the
# mapping file and its built-in text, the bead geometry, the command lines.
file(READ ${source_root}/beadmap/protein.map BEADMAP_DEFAULT_MAPPING)
configure_file(${source_root}/beadmap/default_mapping.cpp.in
               ${CMAKE_CURRENT_BINARY_DIR}/fuzz_default_mapping.cpp @ONLY)
include(${source_root}/beadmap/sources.cmake)
set(beadmap_plain_sources ${BEADMAP_PLAIN_SOURCES})
list(TRANSFORM beadmap_plain_sources PREPEND ${source_root}/beadmap/)
add_library(fuzz_beadmap_pieces STATIC
  ${beadmap_plain_sources}
  ${source_root}/beadbuild/arguments.cpp
  ${CMAKE_CURRENT_BINARY_DIR}/fuzz_default_mapping.cpp)
# The harnesses include "beadbuild/arguments.hpp", private to beadbuild.
target_include_directories(fuzz_beadmap_pieces PUBLIC ${source_root} ${source_root}/beadmap/include)
target_link_libraries(fuzz_beadmap_pieces PUBLIC beadweave_core record_io)

set(fixed_reader_links record_io)
set(free_reader_links record_io)
set(free_reader_sources ${fuzz_dir}/number_check.cpp)
set(template_library_links beadweave_core)
set(structure_input_links beadweave_core)
set(configuration_links pairprobe_core)
set(mapping_links fuzz_beadmap_pieces)
set(command_line_links fuzz_beadmap_pieces)
set(partial_residue_links fuzz_beadmap_pieces)

# beadmap's whole run, the structure library's reading included: only where
# gemmi (Debian gemmi-dev, with tao-pegtl-dev) and zlib are found. The test
# build links beadmap's own library; the fuzz build compiles its sources.
find_path(GEMMI_INCLUDE_DIR gemmi/model.hpp)
find_path(PEGTL_INCLUDE_DIR tao/pegtl.hpp)
find_package(ZLIB)
if(GEMMI_INCLUDE_DIR AND PEGTL_INCLUDE_DIR AND ZLIB_FOUND)
  list(APPEND fuzz_targets beadmap_run)
  add_library(fuzz_beadmap_run_settings INTERFACE)
  # The harness includes "run_beadmap.hpp", private to beadmap.
  target_include_directories(fuzz_beadmap_run_settings INTERFACE ${source_root}/beadmap)
  target_compile_definitions(fuzz_beadmap_run_settings INTERFACE
    BEADMAP_FUZZ_LIBRARY="${source_root}/examples/beadweave/beadlib.dat")
  if(TARGET beadmap_core)
    set(beadmap_run_links beadmap_core fuzz_beadmap_run_settings)
  else()
    set(beadmap_reader_sources ${BEADMAP_READER_SOURCES})
    list(TRANSFORM beadmap_reader_sources PREPEND ${source_root}/beadmap/)
    add_library(fuzz_beadmap_run_pieces STATIC ${beadmap_reader_sources})
    target_include_directories(fuzz_beadmap_run_pieces PRIVATE ${source_root}/beadmap)
    target_include_directories(fuzz_beadmap_run_pieces SYSTEM PUBLIC
                               ${GEMMI_INCLUDE_DIR} ${PEGTL_INCLUDE_DIR})
    target_link_libraries(fuzz_beadmap_run_pieces PUBLIC fuzz_beadmap_pieces ZLIB::ZLIB)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
      # gemmi's CIF document does not compile with clang in C++20 as it is:
      # see the header.
      set(beadmap_cif_document_sources ${BEADMAP_CIF_DOCUMENT_SOURCES})
      list(TRANSFORM beadmap_cif_document_sources PREPEND ${source_root}/beadmap/)
      set_source_files_properties(${beadmap_cif_document_sources} PROPERTIES
        COMPILE_OPTIONS "-include;${fuzz_dir}/gemmi_cif_for_clang.hpp")
    endif()
    set(beadmap_run_links fuzz_beadmap_run_pieces fuzz_beadmap_run_settings)
  endif()
endif()
