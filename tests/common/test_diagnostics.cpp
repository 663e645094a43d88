// The I/O diagnostic in whole runs of a probe program: standard error lines,
// exit status, and what stays written.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "process.hpp"

namespace {

namespace fs = std::filesystem;

const std::string end_of_input =
    "probe: severe (24): end-of-file during read, unit 5, file stdin\n";

class ProbeRun : public ::testing::Test {
 protected:
  testsupport::ProcessResult run(const std::vector<std::string>& args,
                                 const std::string& input = "") const {
    return testsupport::run_process(RECORD_IO_PROBE_PATH, args, dir_.path(), input);
  }
  // Runs the probe under the shell, for redirections such as 2>&1.
  testsupport::ProcessResult run_redirected(const std::string& args_and_redirection) const {
    return testsupport::run_process(
        "/bin/sh", {"-c", "exec \"$0\" " + args_and_redirection, RECORD_IO_PROBE_PATH}, dir_.path(),
        std::string{});
  }
  std::string shown(const std::string& name) const { return dir_.real_path() + "/" + name; }
  // Lets an unprivileged probe into the directory (read and search only).
  void open_directory(const fs::path& directory) const {
    fs::permissions(directory, fs::perms::owner_read | fs::perms::owner_exec |
                                   fs::perms::others_read | fs::perms::others_exec);
  }

  testsupport::ScratchDir dir_;
};

TEST_F(ProbeRun, RefusedOpensShowTheSystemLineAndTheFullName) {
  dir_.write("protein.itp", "keep\nme");
  dir_.write("plain", "");
  fs::create_directory(dir_.path() / "sub");
  const struct {
    std::string scenario;
    std::string name;
    int status;
    std::string lines;  // with "@" for the shown name
  } cases[] = {
      {"open-old", "x.dat", 29,
       "No such file or directory\nprobe: severe (29): file not found, unit 11, file @"},
      {"open-new", "protein.itp", 10,
       "File exists\nprobe: severe (10): cannot overwrite existing file, unit 13, file @"},
      {"open-old", "plain/x.dat", 43,
       "Not a directory\nprobe: severe (43): file name specification error, unit 11, file @"},
      {"open-unknown", std::string(300, 'n'), 43,
       "File name too long\nprobe: severe (43): file name specification error, unit 12, file @"},
      {"open-old", "sub", 30, "Is a directory\nprobe: severe (30): open failure, unit 11, file @"},
  };
  for (const auto& c : cases) {
    const auto result = run({c.scenario, c.name});
    std::string expected = "probe: " + c.lines + "\n";
    expected.replace(expected.find('@'), 1, shown(c.name));
    EXPECT_EQ(result.exit_status, c.status) << c.name;
    EXPECT_EQ(result.err, expected);
    EXPECT_EQ(result.out, "");
  }
  EXPECT_EQ(dir_.read("protein.itp"), "keep\nme");
  const std::string absolute = (dir_.path() / "y.dat").string();
  EXPECT_EQ(run({"open-old", absolute}).err,
            "probe: No such file or directory\n"
            "probe: severe (29): file not found, unit 11, file " +
                absolute + "\n");
}

TEST_F(ProbeRun, ReadOnlyFilesAreReadAndUnreadableOnesRefused) {
  open_directory(dir_.path());
  dir_.write("ro.dat", "hello\n   7\n");
  fs::permissions(dir_.path() / "ro.dat", fs::perms::owner_read | fs::perms::others_read);
  auto result = run({"unprivileged-echo-file", "ro.dat"});
  if (result.exit_status == 77) GTEST_SKIP() << "cannot drop root privileges here";
  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(result.out, "hello\n     7\n");

  dir_.write("secret.dat", "hidden\n");
  fs::permissions(dir_.path() / "secret.dat", fs::perms::none);
  result = run({"unprivileged-open-old", "secret.dat"});
  EXPECT_EQ(result.exit_status, 9);
  EXPECT_EQ(result.err,
            "probe: Permission denied\n"
            "probe: severe (9): permission to access file denied, unit 11, file " +
                shown("secret.dat") + "\n");
}

TEST_F(ProbeRun, CreatingInAnUnwritableDirectoryIsRefusedForPermission) {
  open_directory(dir_.path());
  fs::create_directory(dir_.path() / "locked");
  open_directory(dir_.path() / "locked");
  const auto result = run({"unprivileged-open-unknown", "locked/conf.xyz"});
  if (result.exit_status == 77) GTEST_SKIP() << "cannot drop root privileges here";
  EXPECT_EQ(result.exit_status, 9);
  EXPECT_EQ(result.err,
            "probe: Permission denied\n"
            "probe: severe (9): permission to access file denied, unit 12, file " +
                shown("locked/conf.xyz") + "\n");
}

TEST_F(ProbeRun, ReadFailures) {
  auto result = run({"prompt"}, "");
  EXPECT_EQ(result.exit_status, 24);
  EXPECT_EQ(result.out, " Value:\n");
  EXPECT_EQ(result.err, end_of_input);
  result = run({"prompt"}, "abc\n");
  EXPECT_EQ(result.exit_status, 59);
  EXPECT_EQ(result.err, "probe: severe (59): list-directed I/O syntax error, unit 5, file stdin\n");
  result = run({"prompt"}, "3e9\n");
  EXPECT_EQ(result.exit_status, 64);
  EXPECT_EQ(result.err, "probe: severe (64): input conversion error, unit 5, file stdin\n");
  // Empty records are passed over; a carriage return before the line feed
  // and a missing last line feed change nothing.
  for (const std::string answer : {"\n 42 junk\n", "\r\n42\r\n", "42"}) {
    result = run({"prompt"}, answer);
    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(result.out, " Value:\n    42\n");
  }
  dir_.write("in.dat", "hello\n1.0\n");
  result = run({"echo-file", "in.dat"});
  EXPECT_EQ(result.exit_status, 64);
  EXPECT_EQ(result.out, "hello\n");
  EXPECT_EQ(result.err,
            "probe: severe (64): input conversion error, unit 11, file " + shown("in.dat") + "\n");
}

TEST_F(ProbeRun, OutputOverflowIsReportedAfterTheRecordAndTheRunGoesOn) {
  for (const std::string mode : {"line", "block"}) {
    const auto merged = run_redirected("overflow " + mode + " 2>&1");
    EXPECT_EQ(merged.exit_status, 0);
    EXPECT_EQ(merged.out,
              " before\n****\n"
              "probe: error (63): output conversion error, unit 6, file stdout\n after\n")
        << mode;
  }
  const auto result = run({"overflow-stderr"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.err, "****\nprobe: error (63): output conversion error, unit 0, file stderr\n");
  EXPECT_EQ(result.out, " after\n");
}

TEST_F(ProbeRun, ManyRecordsAtOnceAreTheRecordsOfOneCallEach) {
  // Formatted by several threads, handed over in order, each overflow
  // reported right after its record, as one call per record does.
  for (const std::string mode : {"line", "block"}) {
    const auto at_once = run_redirected("many-at-once " + mode + " 2>&1");
    const auto one_by_one = run_redirected("many-one-by-one " + mode + " 2>&1");
    EXPECT_EQ(at_once.exit_status, 0);
    EXPECT_EQ(one_by_one.exit_status, 0);
    EXPECT_EQ(at_once.out.size(), one_by_one.out.size()) << mode;
    EXPECT_TRUE(at_once.out == one_by_one.out) << mode;
    EXPECT_NE(at_once.out.find("******  -3.483\nprobe: error (63)"), std::string::npos);
  }
}

TEST_F(ProbeRun, WriteRefusedOnStandardOutput) {
  const auto result = run_redirected("write-stdout >/dev/full");
  EXPECT_EQ(result.exit_status, 38);
  EXPECT_EQ(result.err,
            "probe: No space left on device\n"
            "probe: severe (38): error during write, unit 6, file stdout\n");
}

TEST_F(ProbeRun, StopsPrintNothingOfTheirOwn) {
  auto result = run({"plain-stop"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out + result.err, "");
  result = run({"stop-run"});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.out, " own message\n");
  EXPECT_EQ(result.err, "");
}

TEST_F(ProbeRun, LinesWrittenBeforeAnEndStay) {
  for (const std::string mode : {"line", "block"}) {
    const auto result = run({"write-then-read", mode}, "");
    EXPECT_EQ(result.exit_status, 24) << mode;
    EXPECT_EQ(result.err, end_of_input);
    EXPECT_EQ(dir_.read("out.dat"), " first\n  7\n") << mode;
    fs::remove(dir_.path() / "out.dat");
  }
  EXPECT_EQ(run({"block-plain-stop"}).exit_status, 0);
  EXPECT_EQ(dir_.read("out.dat"), " kept\n");
}

TEST_F(ProbeRun, EachRecordReachesTheSystemWhenWritten) {
  // Killed right after its writes: nothing held back in the process survives.
  auto result = run({"kill-after-write"});
  EXPECT_EQ(result.exit_status, 128 + SIGKILL);
  EXPECT_EQ(result.out, " shown\n");
  EXPECT_EQ(dir_.read("out.dat"), " kept\n");
  // Output collected in blocks goes out before standard input is read.
  result = run({"kill-after-answer"}, "5\n");
  EXPECT_EQ(result.exit_status, 128 + SIGKILL);
  EXPECT_EQ(result.out, " Value:\n");
}

}  // namespace
