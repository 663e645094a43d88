// Broken standard streams: standard input closed or at its end at each
// prompt, standard output or error closed, a full device as standard output,
// and a reader that goes away early. No run hangs, each ends with the status
// it should, and no file a run did not create is touched: above all not the
// inputs, which a closed standard stream must never let a run write into.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

#include "hardening_runs.hpp"

namespace hardening {
namespace {

// The console dialogue up to and including each of the three prompts.
const std::string first_prompt =
    " \n"
    " Select a value for the Ca (i-i_4) bonds.\n"
    " Type 0 (zero) to exclude this type of bonds.\n"
    " 40000 kJ mole-1 nm-2 seems to be working fine.\n"
    " \n"
    " Value:\n";
const std::string second_prompt =
    first_prompt + " Choose a force constant (kJ mol-1 nm-2) for Tolvik:\n";
const std::string third_prompt = second_prompt + " Choose a cutoff (nm) for Tolvik:\n";

// The last lines of the topology file while each question is asked.
const std::string i4_group_opened =
    " \n; bonds between the consecutive Calphas: i-i+4\n; The distance is taken from the pdb "
    "file\n";
const std::string network_group_opened =
    " \n; bonds between Calphas defining the Tolvik\n; bonds are taken from the pdb file between "
    "Ca\n; at least i-i+3\n";

const std::string stdin_ended = diagnostic("beadweave", 24, end_of_file, 5, "stdin");

class BeadweaveStreams : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.write("beadlib.dat", example_library());
    dir_.write("pdb-CG.pdb", example_structure());
  }

  // The inputs stay as they were, and the topology file ends with `tail`.
  void expect_inputs_kept_and_topology_ending(const std::string& tail) const {
    Listing files = listing(dir_);
    ASSERT_EQ(files.count("protein.itp"), 1U);
    const std::string topology = files["protein.itp"];
    files.erase("protein.itp");
    EXPECT_EQ(listing_changes(inputs(), files), "");
    ASSERT_GE(topology.size(), tail.size());
    EXPECT_EQ(topology.substr(topology.size() - tail.size()), tail);
  }

  static Listing inputs() {
    return {{"beadlib.dat", example_library()}, {"pdb-CG.pdb", example_structure()}};
  }

  ScratchDir dir_;
};

TEST_F(BeadweaveStreams, InputEndingAtEachPrompt) {
  const struct {
    std::string answers;
    std::string dialogue;
    std::string tail;
  } prompts[] = {
      {"", first_prompt, i4_group_opened},
      {"40000\n", second_prompt, network_group_opened},
      {"40000\n500\n", third_prompt, network_group_opened},
  };
  for (const auto& p : prompts) {
    ProcessOptions options;
    options.input = p.answers;
    const ProcessResult result = run_beadweave(dir_, options);
    EXPECT_EQ(result.exit_status, 24) << p.answers;
    EXPECT_EQ(result.out, p.dialogue);
    EXPECT_EQ(result.err, stdin_ended);
    expect_inputs_kept_and_topology_ending(p.tail);
    std::filesystem::remove(dir_.path() / "protein.itp");
  }
}

TEST_F(BeadweaveStreams, StandardInputClosedReadsAsItsEnd) {
  ProcessOptions options;
  options.input = std::nullopt;
  const ProcessResult result = run_beadweave(dir_, options);
  EXPECT_EQ(result.exit_status, 24);
  EXPECT_EQ(result.out, first_prompt);
  EXPECT_EQ(result.err, stdin_ended);
  expect_inputs_kept_and_topology_ending(i4_group_opened);
}

TEST_F(BeadweaveStreams, StandardInputRefusingToBeReadEndsTheRunAtTheFirstPrompt) {
  // A directory opens for reading, but every read of it is refused.
  ProcessOptions options;
  options.input_file = "/";
  const ProcessResult result = run_beadweave(dir_, options);
  EXPECT_EQ(result.exit_status, 39);
  EXPECT_EQ(result.out, first_prompt);
  EXPECT_EQ(result.err, diagnostic("beadweave", 39, read_error, 5, "stdin", std::strerror(EISDIR)));
  expect_inputs_kept_and_topology_ending(i4_group_opened);
}

TEST_F(BeadweaveStreams, StandardOutputClosedRefusesTheFirstPrompt) {
  ProcessOptions options;
  options.input = example_answers;
  options.output = ProcessOptions::Output::closed;
  const ProcessResult result = run_beadweave(dir_, options);
  EXPECT_EQ(result.exit_status, 38);
  EXPECT_EQ(result.err,
            diagnostic("beadweave", 38, write_error, 6, "stdout", std::strerror(EBADF)));
  expect_inputs_kept_and_topology_ending(i4_group_opened);
}

TEST_F(BeadweaveStreams, FullDeviceAsStandardOutputRefusesTheFirstPrompt) {
  ProcessOptions options;
  options.input = example_answers;
  options.output = ProcessOptions::Output::file;
  options.output_file = "/dev/full";
  const ProcessResult result = run_beadweave(dir_, options);
  EXPECT_EQ(result.exit_status, 38);
  EXPECT_EQ(result.err,
            diagnostic("beadweave", 38, write_error, 6, "stdout", std::strerror(ENOSPC)));
  expect_inputs_kept_and_topology_ending(i4_group_opened);
}

TEST_F(BeadweaveStreams, StandardErrorClosed) {
  // A diagnostic with nowhere to go changes nothing but its own absence.
  ProcessOptions options;
  options.input = example_answers;
  options.close_error = true;
  dir_.write("protein.itp", old_topology);
  ProcessResult result = run_beadweave(dir_, options);
  EXPECT_EQ(result.exit_status, 10);
  EXPECT_EQ(result.out + result.err, "");
  Listing expected = inputs();
  expected["protein.itp"] = old_topology;
  EXPECT_EQ(listing_changes(expected, listing(dir_)), "");
  std::filesystem::remove(dir_.path() / "protein.itp");
  result = run_beadweave(dir_, options);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, third_prompt);
  expect_inputs_kept_and_topology_ending("#ifdef POSRES\n#include \"posre.itp\"\n#endif\n");
}

TEST_F(BeadweaveStreams, ReaderGoneAfterTheFirstPromptEndsTheRunQuietly) {
  // The reader of standard output leaves once the first prompt is shown; the
  // answer comes after, and the second prompt meets the broken pipe.
  for (const bool ignore_sigpipe : {false, true}) {
    ProcessOptions options;
    options.input = example_answers;
    options.close_output_after = " Value:\n";
    options.ignore_sigpipe = ignore_sigpipe;
    const ProcessResult result = run_beadweave(dir_, options);
    // Killed by the signal, as any filter is; with the signal ignored, the
    // write error's status without a word.
    EXPECT_EQ(result.exit_status, ignore_sigpipe ? 38 : 128 + SIGPIPE);
    EXPECT_EQ(result.out, first_prompt);
    EXPECT_EQ(result.err, "");
    expect_inputs_kept_and_topology_ending(network_group_opened);
    std::filesystem::remove(dir_.path() / "protein.itp");
  }
}

// ---- pairprobe --------------------------------------------------------------

const std::string first_report_line =
    "Overlapping pair found! (i,j,rij,r_hs): (           1           2   0.5000000000000000D+00"
    "   0.1000000000000000D+01)\n";

class PairprobeStreams : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.write("conf.xyz", example_configuration());
    dir_.write("protein.itp", old_topology);
  }
  void expect_files_kept() const {
    const Listing expected{{"conf.xyz", configuration_}, {"protein.itp", old_topology}};
    EXPECT_EQ(listing_changes(expected, listing(dir_)), "");
  }
  std::string configuration_ = example_configuration();
  ScratchDir dir_;
};

TEST_F(PairprobeStreams, ClosedOrFullStandardOutputRefusesTheFirstReportLine) {
  ProcessOptions closed;
  closed.output = ProcessOptions::Output::closed;
  ProcessResult result = run_pairprobe(dir_, closed);
  EXPECT_EQ(result.exit_status, 38);
  EXPECT_EQ(result.err,
            diagnostic("pairprobe", 38, write_error, 6, "stdout", std::strerror(EBADF)));
  expect_files_kept();

  ProcessOptions full;
  full.output = ProcessOptions::Output::file;
  full.output_file = "/dev/full";
  result = run_pairprobe(dir_, full);
  EXPECT_EQ(result.exit_status, 38);
  EXPECT_EQ(result.err,
            diagnostic("pairprobe", 38, write_error, 6, "stdout", std::strerror(ENOSPC)));
  expect_files_kept();
}

TEST_F(PairprobeStreams, StandardErrorClosed) {
  ProcessOptions options;
  options.close_error = true;
  ProcessResult result = run_pairprobe(dir_, options);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out.substr(0, first_report_line.size()), first_report_line);
  std::filesystem::remove(dir_.path() / "conf.xyz");
  result = run_pairprobe(dir_, options);
  EXPECT_EQ(result.exit_status, 29);
  EXPECT_EQ(result.out + result.err, "");
  EXPECT_EQ(listing_changes({{"protein.itp", old_topology}}, listing(dir_)), "");
}

TEST_F(PairprobeStreams, ReaderGoneAfterTheFirstLineEndsTheRunQuietly) {
  // 300 particles at one point: 44850 report lines, some 5 MB, far more than
  // a pipe holds, so the run is still writing when the reader leaves.
  std::string crowd = "300 10 10 10 1\n";
  for (int k = 0; k < 300; ++k) crowd += "5 5 5\n";
  dir_.write("conf.xyz", crowd);
  configuration_ = crowd;
  for (const bool ignore_sigpipe : {false, true}) {
    ProcessOptions options;
    options.close_output_after = "\n";
    options.ignore_sigpipe = ignore_sigpipe;
    const ProcessResult result = run_pairprobe(dir_, options);
    EXPECT_EQ(result.exit_status, ignore_sigpipe ? 38 : 128 + SIGPIPE);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out.substr(0, 42), "Overlapping pair found! (i,j,rij,r_hs): ( ");
    expect_files_kept();
  }
}

}  // namespace
}  // namespace hardening
