# beadmap's sources, for the two builds that compile them: beadmap's own
# (beadmap/CMakeLists.txt) and the fuzz build (fuzz/targets.cmake), which
# compiles the first part for the harnesses that need no structure library
# and the second for the harness of the whole run. Paths are relative to
# beadmap/.

# The mapping file and its text, the bead geometry, the command line.
set(BEADMAP_PLAIN_SOURCES
  arguments.cpp
  bead_mapping.cpp
  cg_structure.cpp
  command_words.cpp
  mapping.cpp
  printable_text.cpp)

# Reading entries with the structure library, and the run around it.
set(BEADMAP_READER_SOURCES
  atomistic_input.cpp
  backbone_gaps.cpp
  cg_writer.cpp
  chain_contents.cpp
  cif_reading.cpp
  cif_value_checks.cpp
  entry_text.cpp
  front_end.cpp
  input_files.cpp
  interrupt_cleanup.cpp
  library_check.cpp
  number_range.cpp
  pdb_text_checks.cpp
  residue_numbers.cpp
  residue_selection.cpp
  run_beadmap.cpp
  safe_output.cpp)

# Those of them that include the structure library's CIF document.
set(BEADMAP_CIF_DOCUMENT_SOURCES
  atomistic_input.cpp
  cif_reading.cpp
  cif_value_checks.cpp
  residue_numbers.cpp
  residue_selection.cpp)
