#include "atomistic_input.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <vector>

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

// A compressed file must be whole. The decompressing reader hands out what
// it could decompress and stops without a word at a cut or a damaged
// stream, which the structure reader would take for a shorter structure:
// the file is read through once first, its end and checksums checked.
void check_compressed_whole(const std::string& path) {
  const gzFile file = ::gzopen(path.c_str(), "rb");
  if (file == nullptr) throw Refusal("cannot read " + path + ": " + std::strerror(errno));
  std::vector<char> buffer(std::size_t{1} << 16);
  int got = 0;
  do {
    got = ::gzread(file, buffer.data(), static_cast<unsigned>(buffer.size()));
  } while (got > 0);
  int error = Z_OK;
  std::string reason = ::gzerror(file, &error);
  ::gzclose_r(file);
  if (got >= 0 && error == Z_OK) return;
  if (reason.starts_with(path + ": ")) reason.erase(0, path.size() + 2);
  throw Refusal("cannot read " + path + ": damaged or incomplete compressed data (" + reason + ")");
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
  if (gemmi::MaybeGzipped(path).is_compressed()) check_compressed_whole(path);
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
