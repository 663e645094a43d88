// pairprobe: reports every pair of particles of a periodic configuration
// whose distance is at most the hard-sphere distance.
#include <sys/stat.h>

#include <span>
#include <utility>

#include "common/command_line.hpp"
#include "common/record_io.hpp"
#include "pairprobe/cell_scan.hpp"
#include "pairprobe/configuration.hpp"
#include "pairprobe/run_memory.hpp"
#include "parallel/helper_threads.hpp"
#include "report.hpp"

namespace {

constexpr const char* help_text =
    R"(usage: pairprobe [--help | --version]

Reports every pair of particles at most the hard-sphere distance apart in a
rectangular periodic box. Takes no arguments: it works in the current
directory.

Reads:
  conf.xyz   free-format numbers separated by blanks or commas: first the
             particle count N, the box edges along x, y and z and the
             hard-sphere distance r_hs, then x y z of each of the N particles,
             one particle per line. An axis whose edge is 0 or below is not
             periodic; on the others, differences are folded to the nearest
             image (by at most one edge).
Writes, to standard output, one line per pair with i < j, in (i, j) order:
  Overlapping pair found! (i,j,rij,r_hs): (  i  j  rij  r_hs)
  with i and j in 12 columns each, and the distance rij and r_hs in 25
  columns each as 0.<16 digits>D<signed exponent> (0.5000000000000000D+00).

Exit status:
  0   the scan ran (whether or not it found overlaps)
  2   an unknown command-line argument
  9-64  an input/output failure, reported on standard error (for example
      24: conf.xyz ends too early, 29: conf.xyz not found,
      59: a value that is not a number, 64: a number out of range)

The manual page pairprobe(1) is the full reference: man pairprobe)";

// Whether conf.xyz is large enough for its work to be shared between
// threads: as large as the reader shares (4 MiB), which is also about where
// the grid and the scan are shared (65536 particles). A smaller one is read
// and scanned by this thread alone, so no helper is started for it ahead
// (one a job still asks for starts then). When the size is not known,
// helpers are started as for a large file.
bool worth_starting_helpers() {
  struct stat status {};
  return ::stat("conf.xyz", &status) != 0 || status.st_size < 0 ||
         rio::bulk_read_is_shared(static_cast<std::size_t>(status.st_size));
}

// Reads the whole configuration and closes the file before the first report
// line, so a failed read never leaves a partial report. Report lines go out
// in blocks (line by line on a terminal); the layer hands every line over
// before a diagnostic and at the end of the run.
void run_overlap_scan() {
  // On a machine whose cores another process keeps busy, the run goes on
  // with one thread; that is first looked at before the helpers start, so
  // that they are not taken for the other process. Helpers for the reading,
  // the grid and the scan get their cores while the file is opened.
  pairprobe::set_up_run_memory();
  parallel::step_back_when_cores_are_busy();
  if (worth_starting_helpers()) parallel::prepare_helpers(parallel::hardware_threads() - 1);
  pairprobe::Configuration config = pairprobe::read_configuration();
  rio::set_block_output(rio::stdout_unit, true);
  const double r_hs = config.r_hs;
  pairprobe::cell_list_scan(
      std::move(config),
      [r_hs](const pairprobe::OverlapPair& pair) { pairprobe::write_report_line(pair, r_hs); }, {},
      [r_hs](std::span<const pairprobe::OverlapPair> pairs) {
        pairprobe::write_report_lines(pairs, r_hs);
      });
  // The run ends by returning: the layer then finishes it as a plain stop
  // would, without the cost of a first exception (in a program linked
  // statically, the unwinder sorts its whole frame table for it).
}

}  // namespace

int main(int argc, char** argv) {
  return rio::run_command(argc, argv, {"pairprobe", help_text}, run_overlap_scan);
}
