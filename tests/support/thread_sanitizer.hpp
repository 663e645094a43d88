// Whether the tests run under the thread sanitizer, which makes every
// memory access and every handover between threads many times slower. The
// longest of the threaded tests then run a share of their cases: the first
// ones already take each path between the threads, and the other builds run
// them all.
#ifndef TESTS_SUPPORT_THREAD_SANITIZER_HPP
#define TESTS_SUPPORT_THREAD_SANITIZER_HPP

namespace testsupport {

#if defined(__SANITIZE_THREAD__)
inline constexpr int thread_sanitizer_share = 4;
#else
inline constexpr int thread_sanitizer_share = 1;
#endif

}  // namespace testsupport

#endif
