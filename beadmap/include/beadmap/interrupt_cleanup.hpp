// What an interrupting signal (SIGINT, SIGTERM, SIGHUP, SIGQUIT) undoes
// before the program dies of it, so that an interrupted run leaves the
// outputs as they were: an output file not yet placed is removed, one
// placed is taken back (removed, or the file it replaced put back), and a
// pending directory goes with its files. The paths are kept in fixed
// storage, so that the handler needs nothing but system calls. A signal the
// program was started with ignored stays ignored.
#ifndef BEADMAP_INTERRUPT_CLEANUP_HPP
#define BEADMAP_INTERRUPT_CLEANUP_HPP

#include <signal.h>

#include <string>

namespace beadmap::interrupt_cleanup {

// What an output is when the signal comes, for its watch.
struct OutputState {
  std::string temporary;    // removed while the output is not placed
  std::string destination;  // removed, or given back its previous file, once placed
  std::string previous;     // the replaced file's second name; empty when there is none
  bool placed = false;
};

// Watches one output file: a watch number, or -1 when no room is left (or a
// path is too long to keep), in which case the output is not watched.
int watch_file(const OutputState& state);
// The output's state has changed: what the handler undoes changes with it.
void update_file(int watch, const OutputState& state);

// Watches a pending directory of regular files.
int watch_directory(const std::string& path);

// Holds the interrupting signals off for its life, so that a step on the
// file system and the update of its watch happen for the handler as one:
// a signal that comes meanwhile is handled when it ends.
class HeldSignals {
 public:
  HeldSignals();
  ~HeldSignals();
  HeldSignals(const HeldSignals&) = delete;
  HeldSignals& operator=(const HeldSignals&) = delete;

 private:
  sigset_t before_{};
};

// Gives a replaced file kept under its second name `kept` its name
// `destination` back, replacing whatever holds that name now. Two names of
// one file stay both after a rename, so the second is then removed. Returns
// 0, or the error of the failed rename: the kept file then stays under its
// second name rather than be lost. System calls only, as the handler needs.
int put_back(const char* kept, const char* destination);

// Ends a watch (the run is complete, or the output was undone in order);
// -1 is ignored. With no watch left, the signals are the program's again.
void forget(int watch);

}  // namespace beadmap::interrupt_cleanup

#endif
