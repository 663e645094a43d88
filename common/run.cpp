// The ends of a run: normal end, plain stop, a program's own stop, and the
// fatal diagnostic.
#include <exception>
#include <new>
#include <string>

#include "common/record_io.hpp"
#include "units.hpp"

namespace rio {
namespace {

// Thrown to end the run from anywhere; deliberately not a std::exception so
// that nothing but run_program catches it.
struct RunStop {
  int status;
};

// Hands over what is still collected; a refused write becomes the run's end.
int finish(int status) {
  try {
    flush_all_blocks();
  } catch (const IoError& error) {
    report_fatal(error);
    status = error.message_number;
  }
  return status;
}

// A failure that is not an I/O operation's: memory exhausted, or a fault in
// the program itself. Reported on one line; never a crash.
int report_run_failure(int status, const std::string& text) {
  flush_all_blocks_quietly();
  write_diagnostic(severity_line(tag(), "severe", status, text));
  return status;
}

}  // namespace

void plain_stop() { throw RunStop{0}; }

void stop_run(int status) { throw RunStop{status}; }

int run_program(std::string_view program_name, const std::function<void()>& main_sequence) {
  set_tag(program_name);
  int status = 0;
  try {
    main_sequence();
    status = finish(0);
  } catch (const RunStop& stop) {
    status = finish(stop.status);
  } catch (const IoError& error) {
    report_fatal(error);
    status = error.message_number;
  } catch (const std::bad_alloc&) {
    status = report_run_failure(msg_out_of_memory, "insufficient virtual memory");
  } catch (const std::exception& error) {
    status =
        report_run_failure(internal_error_status, std::string("internal error: ") + error.what());
  }
  close_all();
  return status;
}

}  // namespace rio
