// Fuzz target: the template library loader of beadweave. The input is written
// to "beadlib.dat" in a scratch directory and loaded as the program loads it.
// A refused read ends in an IoError, the expected outcome of a bad library;
// anything else that escapes, and every sanitizer report, is a finding.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "fuzz_support.hpp"
#include "common/record_io.hpp"
#include "beadweave/template_library.hpp"

namespace {

// Every count a loaded template holds indexes its tables.
void check_counts(const beadweave::TemplateLibrary& library) {
  for (int type = 1; type <= beadweave::template_count; ++type) {
    for (const std::int32_t count :
         {library.NBEADS[type], library.NBOND[type], library.NANGLE[type], library.NDIHE[type],
          library.NCONST[type]}) {
      if (count < 0 || count > beadweave::max_template_records) {
        fuzzsupport::finding("a template count outside 0 to 9");
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzsupport::enter_scratch_directory();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzsupport::write_file("beadlib.dat", data, size);
  const auto library = std::make_unique<beadweave::TemplateLibrary>();
  try {
    beadweave::load_library(*library);
    check_counts(*library);
  } catch (const rio::IoError&) {
    // A bad library: missing, short or malformed.
  }
  rio::close_all();
  return 0;
}
