#include "common/short_decimal.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace rio {
namespace {

__extension__ using uint128 = unsigned __int128;

// The most digits whose value m stays below 2^64.
constexpr unsigned most_digits = 19;

constexpr std::array<std::uint64_t, most_digits + 1> powers_of_ten = [] {
  std::array<std::uint64_t, most_digits + 1> powers{};
  std::uint64_t power = 1;
  for (std::uint64_t& entry : powers) {
    entry = power;
    power *= 10;
  }
  return powers;
}();

// floor(2^k / 5^f) + 1, a little above 2^k / 5^f, with k chosen so that it
// lies in [2^127, 2^128): the reciprocal of 5^f to 128 bits, rounded up.
struct Reciprocal {
  std::uint64_t high;
  std::uint64_t low;
  int k;
};

constexpr Reciprocal reciprocal_of_power_of_five(unsigned f) {
  std::uint64_t divisor = 1;
  for (unsigned n = 0; n < f; ++n) divisor *= 5;
  const int k = 127 + (f == 0 ? 0 : static_cast<int>(std::bit_width(divisor)));
  // Long division of 2^k, bit by bit; the quotient stays below 2^128.
  uint128 quotient = 0;
  std::uint64_t remainder = 0;
  for (int bit = k; bit >= 0; --bit) {
    remainder = remainder * 2 + (bit == k ? 1 : 0);
    quotient *= 2;
    if (remainder >= divisor) {
      remainder -= divisor;
      quotient |= 1;
    }
  }
  quotient += 1;
  return {static_cast<std::uint64_t>(quotient >> 64), static_cast<std::uint64_t>(quotient), k};
}

constexpr std::array<Reciprocal, most_digits + 1> reciprocals = [] {
  std::array<Reciprocal, most_digits + 1> table{};
  for (unsigned f = 0; f < table.size(); ++f) table[f] = reciprocal_of_power_of_five(f);
  return table;
}();

constexpr std::uint64_t every_byte(std::uint8_t byte) {
  return std::uint64_t{byte} * 0x0101010101010101;
}

// Eight characters as one word, the first in the lowest byte.
std::uint64_t load_word(const char* text) {
  std::uint64_t word = 0;
  std::memcpy(&word, text, sizeof word);
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
  return word;
}

// 0x80 in each byte of the word that is no decimal digit, 0 in the others. A
// byte is a digit when its high half is 3 and stays 3 when 6 is added; an
// addition that overflows a byte carries into the bytes after it only, and
// only from a byte that is no digit, so every byte up to the first that is
// no digit is told right.
std::uint64_t non_digit_bytes(std::uint64_t word) {
  constexpr std::uint64_t high_halves = every_byte(0xF0);
  const std::uint64_t halves =
      (word & high_halves) | (((word + every_byte(0x06)) & high_halves) >> 4);
  const std::uint64_t off = halves ^ every_byte(0x33);  // zero in the digits
  return (((off & every_byte(0x7F)) + every_byte(0x7F)) | off) & every_byte(0x80);
}

// The first byte marked by non_digit_bytes; 8 when none is.
unsigned first_marked(std::uint64_t marks) {
  return static_cast<unsigned>(std::countr_zero(marks)) / 8;
}

// The value of the word's first `count` characters, all digits.
std::uint64_t value_of_leading_digits(std::uint64_t word, unsigned count) {
  if (count == 0) return 0;
  // The digits' values, moved to the end of the word behind zeros: an
  // eight-digit number with leading zeros.
  std::uint64_t digits = (word - every_byte('0')) << (8 * (8 - count));
  digits = digits * 10 + (digits >> 8);  // two-digit numbers in bytes 0, 2, 4, 6
  constexpr std::uint64_t pairs = 0x000000FF000000FF;
  constexpr std::uint64_t first_and_third = 100 + (std::uint64_t{1000000} << 32);
  constexpr std::uint64_t second_and_fourth = 1 + (std::uint64_t{10000} << 32);
  return (((digits & pairs) * first_and_third) + (((digits >> 16) & pairs) * second_and_fourth)) >>
         32;
}

// The double nearest to m / 10^f (ties to even), m > 0, f <= 19; false in
// the rare case that the 128-bit reciprocal cannot decide.
//
// With w = m shifted to fill 64 bits, m / 10^f = X * 2^-(k + shift + f) for
// X = w * 2^k / 5^f, and P = w * R exceeds X by less than w < 2^64. P lies in
// [2^190, 2^192): its top word holds the 53 bits of the result and 10 or 11
// below them, the start of the tail that the middle and bottom words go on
// with. X's tail lies in (P's tail - 2^64, P's tail): at most a half rounds
// down, at least a half plus 2^64 rounds up, and in between X may be a tie
// or on either side of one, which is left to the standard conversion. (When
// X lies below the 53 bits P has, its tail less than 2^64 below them, it
// rounds up to them, as P's own tail rounds down to them.) The rounding is
// done without branches: its direction is as good as random.
bool nearest_double(std::uint64_t m, unsigned f, double& result) {
  const Reciprocal& reciprocal = reciprocals[f];
  const int shift = std::countl_zero(m);
  const std::uint64_t w = m << shift;
  const uint128 low_product = uint128{w} * reciprocal.low;
  const uint128 upper = uint128{w} * reciprocal.high + (low_product >> 64);
  const auto top = static_cast<std::uint64_t>(upper >> 64);
  const auto middle = static_cast<std::uint64_t>(upper);
  const auto bottom = static_cast<std::uint64_t>(low_product);
  const int tail_bits = 10 + static_cast<int>(top >> 63);
  const std::uint64_t tail = top & ((std::uint64_t{1} << tail_bits) - 1);
  const std::uint64_t half = std::uint64_t{1} << (tail_bits - 1);
  if (tail == half && middle == 0 && bottom != 0) return false;
  const bool round_up = (tail > half) | ((tail == half) & (middle != 0));
  std::uint64_t mantissa = (top >> tail_bits) + (round_up ? 1 : 0);
  const std::uint64_t carried = mantissa >> 53;  // rounded up to 2^53
  mantissa >>= carried;
  const int exponent =
      128 + tail_bits - reciprocal.k - shift - static_cast<int>(f) + static_cast<int>(carried);
  // m / 10^f = mantissa * 2^exponent, a normal double: m < 2^64, f <= 19.
  const auto biased = static_cast<std::uint64_t>(exponent + 52 + 1023);
  constexpr std::uint64_t fraction_bits = (std::uint64_t{1} << 52) - 1;
  result = std::bit_cast<double>((biased << 52) | (mantissa & fraction_bits));
  return true;
}

// Where a plain decimal ends: its digits before and after the point.
struct DecimalShape {
  unsigned whole_digits = 0;
  unsigned fraction_digits = 0;
  unsigned length = 0;  // the point included
};

// The shape of the decimal at the start of `number`, from the 24 characters
// there (32 must be readable): false when its whole part has 8 digits or
// more, or it runs to the 24th character.
bool shape_of(const char* number, DecimalShape& shape) {
  const std::uint64_t others[3] = {non_digit_bytes(load_word(number)),
                                   non_digit_bytes(load_word(number + 8)),
                                   non_digit_bytes(load_word(number + 16))};
  shape.whole_digits = first_marked(others[0]);
  shape.length = shape.whole_digits;
  if (shape.whole_digits == 8) return false;
  if (number[shape.whole_digits] != '.') return true;
  // The first character after the point that is no digit.
  const unsigned point = shape.whole_digits;
  const std::uint64_t after_point =
      point == 7 ? 0 : others[0] & (~std::uint64_t{0} << (8 * (point + 1)));
  if (after_point != 0) {
    shape.length = first_marked(after_point);
  } else if (others[1] != 0) {
    shape.length = 8 + first_marked(others[1]);
  } else if (others[2] != 0) {
    shape.length = 16 + first_marked(others[2]);
  } else {
    return false;
  }
  shape.fraction_digits = shape.length - point - 1;
  return true;
}

// The digits of the decimal at `number` as one integer, the point left out
// (at most 19 digits, the fraction's starting after the point).
std::uint64_t mantissa_of(const char* number, const DecimalShape& shape) {
  std::uint64_t mantissa = value_of_leading_digits(load_word(number), shape.whole_digits);
  const char* fraction = number + shape.whole_digits + 1;
  for (unsigned taken = 0; taken < shape.fraction_digits; taken += 8) {
    const unsigned count = std::min(shape.fraction_digits - taken, 8U);
    mantissa = mantissa * powers_of_ten[count] +
               value_of_leading_digits(load_word(fraction + taken), count);
  }
  return mantissa;
}

}  // namespace

std::size_t convert_short_decimal_prefix(std::string_view text, double& value) {
  const char* const first = text.data();
  const bool negative = !text.empty() && *first == '-';
  const char* const number = first + (negative ? 1 : 0);
  // Read eight characters at a time, the number needs 32 after its start.
  if (first + text.size() - number < 32) return 0;
  DecimalShape shape;
  if (!shape_of(number, shape)) return 0;
  const unsigned digits = shape.whole_digits + shape.fraction_digits;
  const char next = number[shape.length];
  if (digits == 0 || digits > most_digits || next == 'e' || next == 'E') return 0;
  const std::uint64_t mantissa = mantissa_of(number, shape);
  double magnitude = 0.0;
  if (mantissa != 0 && !nearest_double(mantissa, shape.fraction_digits, magnitude)) return 0;
  value = negative ? -magnitude : magnitude;
  return static_cast<std::size_t>(number + shape.length - first);
}

}  // namespace rio
