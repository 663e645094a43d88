// Whole runs of both programs on broken inputs and broken streams: the valid
// example inputs to break, the runs themselves, the expected diagnostic, and
// what a directory holds afterwards.
#ifndef TESTS_HARDENING_RUNS_HPP
#define TESTS_HARDENING_RUNS_HPP

#include <map>
#include <string>

#include "process.hpp"

namespace hardening {

using testsupport::ProcessOptions;
using testsupport::ProcessResult;
using testsupport::ScratchDir;

// The examples shipped with the programs: a 20-template library, a structure
// of 76 residues in 163 beads, and a configuration of ten particles with five
// overlapping pairs.
std::string example_library();
std::string example_structure();
std::string example_configuration();
inline const std::string example_answers = "40000\n500\n0.9\n";

// A topology left by an earlier run, holding bytes no program writes and no
// final line feed: every run must leave it exactly as it is.
inline const std::string old_topology = std::string("; old topology\n") + '\0' + "\xff\r\n#end";

ProcessResult run_beadweave(const ScratchDir& dir, const ProcessOptions& options = {});
ProcessResult run_pairprobe(const ScratchDir& dir, const ProcessOptions& options = {});

// The message texts of the diagnostics.
inline const std::string permission_denied = "permission to access file denied";
inline const std::string cannot_overwrite = "cannot overwrite existing file";
inline const std::string end_of_file = "end-of-file during read";
inline const std::string file_not_found = "file not found";
inline const std::string open_failure = "open failure";
inline const std::string write_error = "error during write";
inline const std::string read_error = "error during read";
inline const std::string syntax_error = "list-directed I/O syntax error";
inline const std::string input_conversion = "input conversion error";

// The diagnostic of a fatal failure: the system's line when there is one,
// then "<program>: severe (<number>): <message>, unit <unit>, file <file>".
std::string diagnostic(const std::string& program, int number, const std::string& message, int unit,
                       const std::string& file, const std::string& system_text = "");

// Everything in a directory, by name: a file's bytes, "-> target" for a
// symbolic link, "<directory>" for a directory.
using Listing = std::map<std::string, std::string>;
Listing listing(const ScratchDir& dir);

// The names that differ between two listings, each with how ("changed",
// "created", "removed"); empty when they are equal.
std::string listing_changes(const Listing& before, const Listing& after);

}  // namespace hardening

#endif
