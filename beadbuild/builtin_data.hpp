// The inputs beadbuild has built in, so that it runs with no file but the
// entry: the residue template library and the minimal force field that the
// project ships in examples/beadweave.
#ifndef BEADBUILD_BUILTIN_DATA_HPP
#define BEADBUILD_BUILTIN_DATA_HPP

#include <string_view>

namespace beadbuild {

std::string_view default_library_text();
inline constexpr std::string_view default_library_source = "built-in library";

std::string_view default_forcefield_text();
inline constexpr std::string_view default_forcefield_file = "cgff.itp";

}  // namespace beadbuild

#endif
