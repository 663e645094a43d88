#include "beadmap/printable_text.hpp"

namespace beadmap {

std::size_t show_byte(char c, char (&shown)[4]) noexcept {
  static constexpr char hex_digits[] = "0123456789abcdef";
  const auto byte = static_cast<unsigned char>(c);
  if (byte >= 32 && byte != 127) {
    shown[0] = c;
    return 1;
  }
  shown[0] = '\\';
  if (c == '\n' || c == '\r' || c == '\t') {
    shown[1] = c == '\n' ? 'n' : c == '\r' ? 'r' : 't';
    return 2;
  }
  shown[1] = 'x';
  shown[2] = hex_digits[byte >> 4U];
  shown[3] = hex_digits[byte & 15U];
  return 4;
}

std::string printable(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  char escaped[4];
  for (const char c : text) shown.append(escaped, show_byte(c, escaped));
  return shown;
}

}  // namespace beadmap
