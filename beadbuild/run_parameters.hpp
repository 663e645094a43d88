// The run parameters written beside the topology: a steepest-descent
// minimisation and a short molecular-dynamics run at 300 K, both with the
// usual settings of coarse-grained protein runs.
#ifndef BEADBUILD_RUN_PARAMETERS_HPP
#define BEADBUILD_RUN_PARAMETERS_HPP

#include <string>

namespace beadbuild {

std::string minimisation_parameters();  // em.mdp
std::string dynamics_parameters();      // md.mdp

}  // namespace beadbuild

#endif
