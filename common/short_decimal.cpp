#include "common/short_decimal.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

#include "byte_words.hpp"

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

// 0x80 in the first byte of the word that is no decimal digit, 0 in the
// bytes before it (the bytes after it may be marked or not). A digit d
// (0x30 to 0x39) gives no high bit in d + 0x46, d - 0x30 or d itself; a byte
// below 0x30 wraps in the subtraction, one from 0x3A to 0x7F reaches 0x80 in
// the addition, and one from 0x80 has it already. A carry or a borrow
// crosses into the bytes after a byte that is no digit only.
std::uint64_t non_digit_bytes(std::uint64_t word) {
  return ((word + every_byte(0x46)) | (word - every_byte(0x30)) | word) & every_byte(0x80);
}

// The first byte marked by non_digit_bytes: the digits the word begins
// with; 8 when none is.
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

// The value of a word of eight digits.
std::uint64_t value_of_eight_digits(std::uint64_t word) {
  return value_of_leading_digits(word, 8);
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

// A plain decimal's digits as one integer, the point left out.
struct Digits {
  std::uint64_t mantissa = 0;
  unsigned fraction = 0;  // digits after the point
};

// Appends the fraction at `digits` (the character after the point; 24
// characters from there are readable) to the whole part in `number`: false
// when all 24 are digits. The words are read from where the fraction
// begins, so that no point lies among their digits.
bool add_fraction(const char* digits, Digits& number) {
  const std::uint64_t first = load_word(digits);
  const std::uint64_t second = load_word(digits + 8);
  const std::uint64_t first_others = non_digit_bytes(first);
  const std::uint64_t second_others = non_digit_bytes(second);
  std::uint64_t mantissa = number.mantissa;
  if (first_others != 0) {
    number.fraction = first_marked(first_others);
    number.mantissa =
        mantissa * powers_of_ten[number.fraction] + value_of_leading_digits(first, number.fraction);
    return true;
  }
  mantissa = mantissa * powers_of_ten[8] + value_of_eight_digits(first);
  if (second_others != 0) {
    const unsigned rest = first_marked(second_others);
    number.fraction = 8 + rest;
    number.mantissa = mantissa * powers_of_ten[rest] + value_of_leading_digits(second, rest);
    return true;
  }
  const std::uint64_t third = load_word(digits + 16);
  const std::uint64_t third_others = non_digit_bytes(third);
  if (third_others == 0) return false;
  const unsigned rest = first_marked(third_others);
  number.fraction = 16 + rest;
  // More than 19 digits in all wrap here; the caller refuses them.
  mantissa = mantissa * powers_of_ten[8] + value_of_eight_digits(second);
  number.mantissa = mantissa * powers_of_ten[rest] + value_of_leading_digits(third, rest);
  return true;
}

}  // namespace

std::size_t convert_short_decimal_prefix(std::string_view text, double& value) {
  const char* const first = text.data();
  const bool negative = !text.empty() && *first == '-';
  const char* const number = first + (negative ? 1 : 0);
  // Read eight characters at a time, the number needs 32 after its start.
  if (first + text.size() - number < 32) return 0;
  const std::uint64_t leading = load_word(number);
  const unsigned whole_digits = first_marked(non_digit_bytes(leading));
  if (whole_digits == 8) return 0;
  Digits digits{value_of_leading_digits(leading, whole_digits), 0};
  std::size_t length = whole_digits;
  if (number[whole_digits] == '.') {
    if (!add_fraction(number + whole_digits + 1, digits)) return 0;
    length += 1 + digits.fraction;
  }
  const unsigned digit_count = whole_digits + digits.fraction;
  const char next = number[length];
  if (digit_count == 0 || digit_count > most_digits || next == 'e' || next == 'E') return 0;
  double magnitude = 0.0;
  if (digits.mantissa != 0 && !nearest_double(digits.mantissa, digits.fraction, magnitude)) {
    return 0;
  }
  value = negative ? -magnitude : magnitude;
  return static_cast<std::size_t>(number + length - first);
}

}  // namespace rio
