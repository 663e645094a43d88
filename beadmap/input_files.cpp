#include "beadmap/input_files.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "beadmap/refusal.hpp"
#include "common/file_descriptor.hpp"

namespace beadmap {

std::string read_text_file(const std::string& path) {
  const rio::FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.is_open()) throw Refusal("cannot read " + path + ": " + std::strerror(errno));
  std::string text;
  char buffer[65536];
  while (true) {
    const ssize_t got = rio::read_some(file.get(), buffer, sizeof buffer);
    if (got < 0) throw Refusal("cannot read " + path + ": " + std::strerror(errno));
    if (got == 0) return text;
    if (text.size() + static_cast<std::size_t>(got) > largest_text_file) {
      throw Refusal("cannot read " + path + ": more than " +
                    std::to_string(largest_text_file >> 20) + " MiB (not a mapping or library)");
    }
    text.append(buffer, static_cast<std::size_t>(got));
  }
}

Mapping load_mapping(const std::optional<std::string>& path) {
  try {
    if (!path) return parse_mapping(default_mapping_text(), default_mapping_source);
    return parse_mapping(read_text_file(*path), *path);
  } catch (const MappingError& error) {
    throw Refusal(std::string("malformed mapping: ") + error.what());
  }
}

}  // namespace beadmap
