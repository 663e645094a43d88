// The values a record carries: 4-byte integers, 4-byte and 8-byte reals and
// fixed-length texts, packed for the non-template reader and writer.
#ifndef RECORD_IO_RECORD_VALUES_HPP
#define RECORD_IO_RECORD_VALUES_HPP

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace rio {

enum class ValueKind { int32, real32, real64, text };

// One value to be written.
struct Value {
  ValueKind kind;
  std::int32_t int_value = 0;
  float float_value = 0.0F;
  double double_value = 0.0;
  std::string_view text;
};

inline Value make_value(std::int32_t v) { return {ValueKind::int32, v, 0.0F, 0.0, {}}; }
inline Value make_value(float v) { return {ValueKind::real32, 0, v, 0.0, {}}; }
inline Value make_value(double v) { return {ValueKind::real64, 0, 0.0F, v, {}}; }
inline Value make_value(std::string_view v) { return {ValueKind::text, 0, 0.0F, 0.0, v}; }
inline Value make_value(const std::string& v) { return make_value(std::string_view(v)); }
inline Value make_value(const char* v) { return make_value(std::string_view(v)); }
template <std::size_t N>
Value make_value(const std::array<char, N>& v) {
  return make_value(std::string_view(v.data(), N));
}

// One place a read stores into. A text target has a fixed length and always
// receives exactly that many characters.
struct Target {
  ValueKind kind;
  void* address;
  std::size_t text_length = 0;
};

inline Target make_target(std::int32_t& v) { return {ValueKind::int32, &v, 0}; }
inline Target make_target(float& v) { return {ValueKind::real32, &v, 0}; }
inline Target make_target(double& v) { return {ValueKind::real64, &v, 0}; }
template <std::size_t N>
Target make_target(std::array<char, N>& v) {
  return {ValueKind::text, v.data(), N};
}
inline Target make_target(std::span<char> v) { return {ValueKind::text, v.data(), v.size()}; }

// A fixed-length text: residue names, bead types and bead names.
template <std::size_t N>
using FixedText = std::array<char, N>;

// Builds a fixed-length text from a literal or string, blank-padded or cut.
template <std::size_t N>
FixedText<N> fixed_text(std::string_view s) {
  FixedText<N> t;
  t.fill(' ');
  for (std::size_t i = 0; i < N && i < s.size(); ++i) t[i] = s[i];
  return t;
}

}  // namespace rio

#endif
