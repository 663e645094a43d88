#include "beadmap/printable_text.hpp"

namespace beadmap {

std::string printable(std::string_view text) {
  static constexpr char hex_digits[] = "0123456789abcdef";
  std::string shown;
  shown.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 32 && byte != 127) {
      shown += c;
    } else if (c == '\n') {
      shown += "\\n";
    } else if (c == '\r') {
      shown += "\\r";
    } else if (c == '\t') {
      shown += "\\t";
    } else {
      shown += "\\x";
      shown += hex_digits[byte >> 4U];
      shown += hex_digits[byte & 15U];
    }
  }
  return shown;
}

}  // namespace beadmap
