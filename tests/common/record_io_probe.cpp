// A tiny program on the record I/O layer for the whole-run tests: its first
// argument picks one scenario, run under the tag word "probe"; the second is
// the scenario's file name or mode. A scenario named "unprivileged-..." runs
// as an ordinary user, since permission bits refuse nothing to root.
// Exit status 2: unknown scenario; 77: the privileges could not be dropped.
#include <grp.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>

#include "common/record_io.hpp"

namespace {

constexpr uid_t unprivileged_id = 65534;

bool run_unprivileged() {
  if (::geteuid() != 0) return true;
  return ::setgroups(0, nullptr) == 0 && ::setgid(unprivileged_id) == 0 &&
         ::setuid(unprivileged_id) == 0;
}

std::int32_t read_answer() {
  std::int32_t value = 0;
  rio::read_free(rio::stdin_unit, value);
  return value;
}

void prompt_and_echo() {
  rio::write_line(rio::stdout_unit, "Value:");
  rio::write(rio::stdout_unit, rio::Layout{"I6"}, read_answer());
}

void echo_file(const std::string& name) {
  rio::open(11, name, rio::OpenStatus::old_file);
  rio::FixedText<5> text{};
  rio::read(11, rio::Layout{"A5"}, text);
  rio::write(rio::stdout_unit, rio::Layout{"A5"}, text);
  std::int32_t value = 0;
  rio::read(11, rio::Layout{"I4"}, value);
  rio::write(rio::stdout_unit, rio::Layout{"I6"}, value);
}

void overflow_on_stdout(const std::string& mode) {
  rio::set_block_output(rio::stdout_unit, mode == "block");
  rio::write_line(rio::stdout_unit, "before");
  rio::write(rio::stdout_unit, rio::Layout{"I4"}, 10000);
  rio::write_line(rio::stdout_unit, "after");
}

// Many records of one layout, some of which overflow their fields, written
// one call each or all at once, on standard output in line or block mode:
// enough for the records written at once to be shared between threads, in
// more than one batch.
constexpr std::int32_t many_records = 40000;
std::int32_t record_number(std::size_t k) {
  const auto number = static_cast<std::int32_t>(k);
  return number % 4999 == 17 ? 1000000 + number : number;  // some overflow I6
}
double record_real(std::size_t k) { return static_cast<double>(k) * 0.001 - 3.5; }

void many_records_one_by_one(const std::string& mode) {
  rio::set_block_output(rio::stdout_unit, mode == "block");
  const rio::Layout layout{"I6,F8.3"};
  for (std::size_t k = 0; k < many_records; ++k) {
    rio::write(rio::stdout_unit, layout, record_number(k), record_real(k));
  }
  rio::write_line(rio::stdout_unit, "after");
}

void many_records_at_once(const std::string& mode) {
  rio::set_block_output(rio::stdout_unit, mode == "block");
  rio::vwrite_many(rio::stdout_unit, rio::Layout{"I6,F8.3"}, many_records,
                   [](std::size_t k, std::span<rio::Value> values) {
                     values[0] = rio::make_value(record_number(k));
                     values[1] = rio::make_value(record_real(k));
                   });
  rio::write_line(rio::stdout_unit, "after");
}

// Writes two records to a new file, then asks standard input for an answer.
void write_then_read(const std::string& mode) {
  rio::open(12, "out.dat", rio::OpenStatus::new_file);
  rio::set_block_output(12, mode == "block");
  rio::write_line(12, "first");
  rio::write(12, rio::Layout{"I3"}, 7);
  read_answer();
}

using Scenario = std::function<void(const std::string&)>;

const std::map<std::string, Scenario> scenarios{
    {"open-old", [](const std::string& name) { rio::open(11, name, rio::OpenStatus::old_file); }},
    {"open-new", [](const std::string& name) { rio::open(13, name, rio::OpenStatus::new_file); }},
    {"open-unknown",
     [](const std::string& name) { rio::open(12, name, rio::OpenStatus::unknown); }},
    {"prompt", [](const std::string&) { prompt_and_echo(); }},
    {"echo-file", echo_file},
    {"overflow", overflow_on_stdout},
    {"many-one-by-one", many_records_one_by_one},
    {"many-at-once", many_records_at_once},
    {"overflow-stderr",
     [](const std::string&) {
       rio::write(rio::stderr_unit, rio::Layout{"F4.1"}, 123.25);
       rio::write_line(rio::stdout_unit, "after");
     }},
    {"write-stdout", [](const std::string&) { rio::write_line(rio::stdout_unit, "line"); }},
    {"plain-stop",
     [](const std::string&) {
       rio::plain_stop();
       rio::write_line(rio::stdout_unit, "not reached");
     }},
    {"stop-run",
     [](const std::string&) {
       rio::write_line(rio::stdout_unit, "own message");
       rio::stop_run(1);
     }},
    {"write-then-read", write_then_read},
    {"block-plain-stop",
     [](const std::string&) {
       rio::open(12, "out.dat", rio::OpenStatus::new_file);
       rio::set_block_output(12, true);
       rio::write_line(12, "kept");
       rio::plain_stop();
     }},
    {"kill-after-write",
     [](const std::string&) {
       rio::open(12, "out.dat", rio::OpenStatus::new_file);
       rio::write_line(12, "kept");
       rio::write_line(rio::stdout_unit, "shown");
       std::raise(SIGKILL);
     }},
    {"kill-after-answer",
     [](const std::string&) {
       rio::set_block_output(rio::stdout_unit, true);
       rio::write_line(rio::stdout_unit, "Value:");
       read_answer();
       std::raise(SIGKILL);
     }},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string scenario_name = argv[1];
  const std::string argument = argc > 2 ? argv[2] : "";
  const std::string unprivileged_prefix = "unprivileged-";
  if (scenario_name.starts_with(unprivileged_prefix)) {
    if (!run_unprivileged()) return 77;
    scenario_name.erase(0, unprivileged_prefix.size());
  }
  const auto found = scenarios.find(scenario_name);
  if (found == scenarios.end()) return 2;
  return rio::run_program("probe", [&] { found->second(argument); });
}
