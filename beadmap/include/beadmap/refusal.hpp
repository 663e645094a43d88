// The two ways a run of beadmap fails: refused input (exit status 1) and a
// command line that cannot stand (exit status 2).
#ifndef BEADMAP_REFUSAL_HPP
#define BEADMAP_REFUSAL_HPP

#include <stdexcept>

namespace beadmap {

inline constexpr int success_status = 0;
inline constexpr int refused_status = 1;
inline constexpr int usage_status = 2;

// Input that cannot be mapped; what() is the one-line message.
struct Refusal : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A command line that cannot stand; what() is the one-line message.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

}  // namespace beadmap

#endif
