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
add_library(fuzz_beadmap_pieces STATIC
  ${source_root}/beadmap/arguments.cpp
  ${source_root}/beadmap/bead_mapping.cpp
  ${source_root}/beadmap/cg_structure.cpp
  ${source_root}/beadmap/command_words.cpp
  ${source_root}/beadmap/mapping.cpp
  ${source_root}/beadmap/printable_text.cpp
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
