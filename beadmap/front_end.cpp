#include "beadmap/front_end.hpp"

#include <cstdio>
#include <exception>
#include <new>

#include "beadmap/printable_text.hpp"
#include "beadmap/refusal.hpp"

namespace beadmap {

int run_front_end(const std::string& name, const std::function<bool()>& work) {
  const char* program = name.c_str();
  try {
    const bool complete = work();
    if (std::fflush(stdout) != 0) {
      std::fprintf(stderr, "%s: cannot write to standard output\n", program);
      return refused_status;
    }
    return complete ? success_status : refused_status;
  } catch (const UsageError& error) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", program, printable(error.what()).c_str(),
                 program);
    return usage_status;
  } catch (const Refusal& error) {
    std::fprintf(stderr, "%s: %s\n", program, printable(error.what()).c_str());
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "%s: out of memory\n", program);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", program, printable(error.what()).c_str());
  }
  return refused_status;
}

}  // namespace beadmap
