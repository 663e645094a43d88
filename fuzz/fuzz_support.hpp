// What the fuzz targets share: a scratch directory to run the program phases
// in (they open their files by fixed names in the current directory), the
// input written to such a file, and the way a target reports a broken rule.
#ifndef FUZZ_SUPPORT_HPP
#define FUZZ_SUPPORT_HPP

#include <cstddef>
#include <cstdint>

namespace fuzzsupport {

// Moves the process into a fresh scratch directory, removed when it exits.
void enter_scratch_directory();

// Replaces the file `name` in the current directory by exactly these bytes.
void write_file(const char* name, const std::uint8_t* data, std::size_t size);

// Sends standard output to /dev/null: some phases print their own messages
// there, which would only drown the fuzzer's report.
void discard_standard_output();

// A rule that no input may break was broken: says which on standard error
// and aborts, so that the fuzzer keeps the input as a finding.
[[noreturn]] void finding(const char* what);

}  // namespace fuzzsupport

#endif
