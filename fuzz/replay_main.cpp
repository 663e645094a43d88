// Runs a fuzz target over saved inputs without the fuzzing engine: each
// argument is an input file or a directory of them. So the seed corpus and
// every saved finding are ordinary tests of the GCC builds, under their
// sanitizers too. Exit status 0 when every input ran, 1 when there was none.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

// Optional, as for the fuzzing engine: a target without it has nothing to set up.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

// The input files named, directories expanded, as absolute paths (the target
// may change the current directory); sorted for a repeatable order.
std::vector<fs::path> input_files(int argc, char** argv) {
  std::vector<fs::path> files;
  for (int k = 1; k < argc; ++k) {
    const fs::path named = fs::absolute(argv[k]);
    if (!fs::is_directory(named)) {
      files.push_back(named);
      continue;
    }
    for (const auto& entry : fs::directory_iterator(named)) {
      if (entry.is_regular_file()) files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<std::uint8_t> read_bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                   std::istreambuf_iterator<char>());
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<fs::path> files = input_files(argc, argv);
  if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
  for (const fs::path& file : files) {
    std::fprintf(stderr, "input %s\n", file.c_str());
    const std::vector<std::uint8_t> bytes = read_bytes(file);
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  }
  std::fprintf(stderr, "%zu inputs ran\n", files.size());
  return files.empty() ? 1 : 0;
}
