// Whether the tests run in a sanitizer build, which makes every memory
// access many times slower (and, under the thread sanitizer, every handover
// between threads). The longest tests then run a share of their cases or a
// smaller input that takes the same paths; the optimised build runs them
// whole.
#ifndef TESTS_SUPPORT_SANITIZER_BUILDS_HPP
#define TESTS_SUPPORT_SANITIZER_BUILDS_HPP

namespace testsupport {

// The share of their cases that the longest threaded tests run: under the
// thread sanitizer a quarter, the first ones, which already take each path
// between the threads.
#if defined(__SANITIZE_THREAD__)
inline constexpr int thread_sanitizer_share = 4;
#else
inline constexpr int thread_sanitizer_share = 1;
#endif

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool address_sanitizer_build = true;
#else
inline constexpr bool address_sanitizer_build = false;
#endif

}  // namespace testsupport

#endif
