#include "beadmap/input_files.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "beadmap/refusal.hpp"

namespace beadmap {

std::string read_text_file(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw Refusal("cannot read " + path + ": " + std::strerror(errno));
  std::string text;
  char buffer[65536];
  while (true) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      const int error = errno;
      ::close(fd);
      throw Refusal("cannot read " + path + ": " + std::strerror(error));
    }
    if (got == 0) break;
    text.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return text;
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
