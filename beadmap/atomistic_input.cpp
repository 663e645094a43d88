#include "atomistic_input.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>

#include <gemmi/gz.hpp>
#include <gemmi/mmread.hpp>

#include "refusal.hpp"

namespace beadmap {
namespace {

// Opening the file first gives the system's own reason for a file that
// cannot be read.
void check_readable(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw Refusal("cannot read " + path + ": " + std::strerror(errno));
  struct stat status{};
  const bool is_directory = ::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode);
  ::close(fd);
  if (is_directory) throw Refusal("cannot read " + path + ": it is a directory");
}

gemmi::CoorFormat format_of(const std::string& path) {
  const gemmi::CoorFormat format = gemmi::coor_format_from_ext(gemmi::MaybeGzipped(path).basepath());
  if (format == gemmi::CoorFormat::Unknown) {
    throw Refusal(path + ": unknown format (the name must end in .pdb, .ent, .cif, .mmcif or "
                         ".json, each optionally followed by .gz)");
  }
  return format;
}

}  // namespace

gemmi::Structure read_atomistic(const std::string& path) {
  check_readable(path);
  const gemmi::CoorFormat format = format_of(path);
  gemmi::Structure structure;
  try {
    structure = gemmi::read_structure(gemmi::MaybeGzipped(path), format);
  } catch (const std::exception& error) {
    throw Refusal("cannot read " + path + ": " + error.what());
  }
  if (structure.models.empty() || structure.models.front().chains.empty()) {
    throw Refusal(path + " holds no model with atoms");
  }
  return structure;
}

}  // namespace beadmap
