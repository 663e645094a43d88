#include "beadmap/entry_text.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "beadmap/atomistic_input.hpp"
#include "beadmap/printable_text.hpp"
#include "beadmap/refusal.hpp"
#include "common/file_descriptor.hpp"

namespace beadmap {
namespace {

// Reads and inflates go in chunks as large as what is already held, from
// 64 KiB to 1 MiB: a small entry is not given (and zeroed) a megabyte, a
// large one is read in few calls.
constexpr std::size_t first_chunk_bytes = std::size_t{1} << 16;
constexpr std::size_t chunk_bytes = std::size_t{1} << 20;

std::size_t next_chunk(std::size_t held) {
  return std::clamp(held, first_chunk_bytes, chunk_bytes);
}

// Room for `chunk` bytes more: twice the room each time, as a vector grows,
// but never beyond the largest text held before it is refused, so that the
// bound on the text is a bound on the memory too.
void make_room_for_chunk(std::vector<char>& bytes, std::size_t chunk) {
  const std::size_t needed = bytes.size() + chunk;
  if (needed <= bytes.capacity()) return;
  bytes.reserve(std::min(std::max(needed, 2 * bytes.capacity()), largest_entry + 2 * chunk_bytes));
}

[[noreturn]] void refuse_read(const std::string& path, const std::string& reason) {
  throw Refusal("cannot read " + shown_input_name(path) + ": " + reason);
}

// Opens the input; a directory is refused with a reason of its own.
rio::FileDescriptor open_input(const std::string& path) {
  if (path == "-") {
    rio::FileDescriptor input(::dup(STDIN_FILENO));
    if (!input.is_open()) refuse_read(path, std::strerror(errno));
    return input;
  }
  rio::FileDescriptor input(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!input.is_open()) throw Refusal("cannot read " + path + ": " + std::strerror(errno));
  struct stat status {};
  if (::fstat(input.get(), &status) == 0 && S_ISDIR(status.st_mode)) {
    refuse_read(path, "it is a directory");
  }
  // A device (/dev/zero, a terminal) would be read without end.
  if (!S_ISREG(status.st_mode) && !S_ISFIFO(status.st_mode)) {
    refuse_read(path, "not a file or a pipe");
  }
  return input;
}

// The input's bytes, a chunk at a time, as read; a failed read is refused
// (a read error is never taken for the end of the input).
class RawInput {
 public:
  RawInput(rio::FileDescriptor input, const std::string& path)
      : input_(std::move(input)), path_(path) {}

  // Appends a chunk's worth at most to `bytes`: how many; 0 at the end.
  std::size_t append_chunk(std::vector<char>& bytes) {
    const std::size_t before = bytes.size();
    const std::size_t chunk = next_chunk(before);
    make_room_for_chunk(bytes, chunk);
    bytes.resize(before + chunk);
    const ssize_t got = rio::read_some(input_.get(), bytes.data() + before, chunk);
    if (got < 0) refuse_read(path_, std::strerror(errno));
    bytes.resize(before + static_cast<std::size_t>(got));
    total_ += static_cast<std::size_t>(got);
    return static_cast<std::size_t>(got);
  }
  std::size_t total() const { return total_; }

 private:
  rio::FileDescriptor input_;
  const std::string& path_;
  std::size_t total_ = 0;
};

void refuse_beyond_largest(const std::string& path, std::size_t length) {
  if (length <= largest_entry) return;
  refuse_read(path,
              "more than " + std::to_string(largest_entry >> 30) + " GiB of text (not an entry)");
}

bool starts_compressed(const std::vector<char>& bytes, std::size_t at) {
  return bytes.size() >= at + 2 && static_cast<unsigned char>(bytes[at]) == 0x1f &&
         static_cast<unsigned char>(bytes[at + 1]) == 0x8b;
}

// The rest of a text that is not compressed, after the bytes already read.
std::vector<char> read_plain(RawInput& input, std::vector<char> text, const std::string& path) {
  while (input.append_chunk(text) > 0) refuse_beyond_largest(path, text.size());
  return text;
}

// Decompresses the gzip members that follow one another in the input
// (bytes after the last member that start no other are ignored, as gzip
// does). Every read and every member is checked; the text and the
// compressed data are bounded.
class Decompressor {
 public:
  Decompressor(RawInput& input, const std::string& path) : input_(input), path_(path) {
    if (::inflateInit2(&stream_, 16 + MAX_WBITS) != Z_OK) refuse_read(path, "out of memory");
  }
  ~Decompressor() { ::inflateEnd(&stream_); }
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;

  std::vector<char> text(std::vector<char> first_bytes) {
    raw_ = std::move(first_bytes);
    std::size_t used = 0;  // bytes of raw_ inflated
    while (true) {
      if (used == raw_.size() && !refill(used)) return finished_member(true);
      used = inflate_from(used);
      if (!member_ended_) continue;
      if (raw_.size() - used < 2 && !input_ended_) {
        keep_unused(used);
        input_ended_ = input_.append_chunk(raw_) == 0;
        refuse_padding();
        continue;
      }
      if (!starts_compressed(raw_, used)) return finished_member(false);
      ::inflateReset(&stream_);
      member_ended_ = false;
    }
  }

 private:
  // More compressed bytes, the ones already inflated dropped: false at the
  // end of the input.
  bool refill(std::size_t& used) {
    if (input_ended_) return false;
    raw_.clear();
    used = 0;
    input_ended_ = input_.append_chunk(raw_) == 0;
    refuse_padding();
    return !input_ended_;
  }
  void keep_unused(std::size_t& used) {
    raw_.erase(raw_.begin(), raw_.begin() + static_cast<std::ptrdiff_t>(used));
    used = 0;
  }

  std::size_t inflate_from(std::size_t used) {
    stream_.next_in = reinterpret_cast<Bytef*>(raw_.data() + used);
    stream_.avail_in = static_cast<uInt>(raw_.size() - used);
    const std::size_t chunk = next_chunk(length_);
    if (text_.size() - length_ < chunk) {
      text_.resize(length_);
      make_room_for_chunk(text_, chunk);
      text_.resize(length_ + chunk);
    }
    stream_.next_out = reinterpret_cast<Bytef*>(text_.data() + length_);
    stream_.avail_out = static_cast<uInt>(text_.size() - length_);
    const int status = ::inflate(&stream_, Z_NO_FLUSH);
    length_ = text_.size() - stream_.avail_out;
    refuse_beyond_largest(path_, length_);
    if (status == Z_STREAM_END) member_ended_ = true;
    if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) {
      refuse_damage(stream_.msg != nullptr ? stream_.msg : "compressed data error");
    }
    return raw_.size() - stream_.avail_in;
  }

  // The input ended, within a member or after one.
  std::vector<char> finished_member(bool input_at_end) {
    if (input_at_end && !member_ended_) refuse_damage("unexpected end of file");
    text_.resize(length_);
    return std::move(text_);
  }

  void refuse_padding() const {
    if (input_.total() <= 2 * length_ + compressed_overhead_allowed) return;
    refuse_read(path_, "compressed data far beyond the text they give (not an entry)");
  }
  [[noreturn]] void refuse_damage(const std::string& reason) const {
    refuse_read(path_, "damaged or incomplete compressed data (" + reason + ")");
  }

  RawInput& input_;
  const std::string& path_;
  z_stream stream_{};
  std::vector<char> raw_;
  std::vector<char> text_;
  std::size_t length_ = 0;
  bool member_ended_ = false;
  bool input_ended_ = false;
};

}  // namespace

std::vector<char> read_entry_text(const std::string& path) {
  RawInput input(open_input(path), path);
  std::vector<char> first_bytes;
  while (first_bytes.size() < 2 && input.append_chunk(first_bytes) > 0) {
  }
  if (!starts_compressed(first_bytes, 0)) return read_plain(input, std::move(first_bytes), path);
  Decompressor decompressor(input, path);
  return decompressor.text(std::move(first_bytes));
}

}  // namespace beadmap
