// How a front end's run ends: its exit status and last message for each way
// it can end.
#ifndef BEADMAP_FRONT_END_HPP
#define BEADMAP_FRONT_END_HPP

#include <functional>
#include <string>

namespace beadmap {

// Runs `work` for the program `name`. Returns 0 when it returns true and
// standard output takes everything; 2 for a UsageError, with its message and
// a pointer to --help; 1 otherwise, with the message of the refusal or
// failure (work that returns false has said why itself). Every message is
// one line on standard error that starts with the program's name.
int run_front_end(const std::string& name, const std::function<bool()>& work);

}  // namespace beadmap

#endif
