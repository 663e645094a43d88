#include "hardening_runs.hpp"

#include <filesystem>

namespace hardening {

namespace fs = std::filesystem;

std::string example_library() {
  return testsupport::read_file(EXAMPLES_DIR "/beadweave/beadlib.dat");
}

std::string example_structure() {
  return testsupport::read_file(EXAMPLES_DIR "/beadweave/pdb-CG.pdb");
}

std::string example_configuration() {
  return testsupport::read_file(EXAMPLES_DIR "/pairprobe/conf.xyz");
}

ProcessResult run_beadweave(const ScratchDir& dir, const ProcessOptions& options) {
  return testsupport::run_process(BEADWEAVE_PATH, {}, dir.path(), options);
}

ProcessResult run_pairprobe(const ScratchDir& dir, const ProcessOptions& options) {
  return testsupport::run_process(PAIRPROBE_PATH, {}, dir.path(), options);
}

std::string diagnostic(const std::string& program, int number, const std::string& message, int unit,
                       const std::string& file, const std::string& system_text) {
  std::string lines;
  if (!system_text.empty()) lines += program + ": " + system_text + "\n";
  return lines + program + ": severe (" + std::to_string(number) + "): " + message + ", unit " +
         std::to_string(unit) + ", file " + file + "\n";
}

Listing listing(const ScratchDir& dir) {
  Listing entries;
  for (const auto& entry : fs::directory_iterator(dir.path())) {
    const std::string name = entry.path().filename().string();
    if (entry.is_symlink()) {
      entries[name] = "-> " + fs::read_symlink(entry.path()).string();
    } else if (entry.is_directory()) {
      entries[name] = "<directory>";
    } else {
      entries[name] = testsupport::read_file(entry.path());
    }
  }
  return entries;
}

std::string listing_changes(const Listing& before, const Listing& after) {
  std::string changes;
  for (const auto& [name, content] : before) {
    const auto found = after.find(name);
    if (found == after.end()) {
      changes += name + " removed; ";
    } else if (found->second != content) {
      changes += name + " changed; ";
    }
  }
  for (const auto& [name, content] : after) {
    if (before.count(name) == 0) changes += name + " created; ";
  }
  return changes;
}

}  // namespace hardening
