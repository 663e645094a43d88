#include "run_parameters.hpp"

#include <string_view>

namespace beadbuild {
namespace {

// Both runs: reaction field with the screening of coarse-grained water
// (epsilon_r 15), both interactions cut off at 1.1 nm, the pair list kept
// by the Verlet buffer GROMACS sizes itself.
constexpr std::string_view nonbonded_parameters = R"(
; Nonbonded interactions: reaction field with the screening of
; coarse-grained water (epsilon_r 15), both cut off at 1.1 nm.
cutoff-scheme           = Verlet
nstlist                 = 20
verlet-buffer-tolerance = 0.005
pbc                     = xyz
coulombtype             = reaction-field
rcoulomb                = 1.1
epsilon_r               = 15
epsilon_rf              = 0
vdw-type                = cut-off
vdw-modifier            = potential-shift
rvdw                    = 1.1
)";

}  // namespace

std::string minimisation_parameters() {
  return R"(; Energy minimisation of the coarse-grained system by steepest descent.
;   gmx grompp -f em.mdp -c conf.gro -r conf.gro -p topol.top -o em.tpr
;   gmx mdrun -deffnm em
; With "define = -DPOSRES" the backbone beads are restrained to their
; places in conf.gro (needs the restraint files of beadbuild --posre).
define                  =
integrator              = steep
nsteps                  = 1000
emtol                   = 10
emstep                  = 0.01
)" + std::string(nonbonded_parameters);
}

std::string dynamics_parameters() {
  return R"(; A short molecular-dynamics run of the coarse-grained system at 300 K,
; started from the minimised structure:
;   gmx grompp -f md.mdp -c em.gro -r em.gro -p topol.top -o md.tpr
;   gmx mdrun -deffnm md
; With "define = -DPOSRES" the backbone beads are restrained (needs the
; restraint files of beadbuild --posre).
define                  =
integrator              = md
; 15 fs: five steps stay within the period of the stiffest backbone bond
; (150000 kJ mol-1 nm-2 between beads of mass 72, about 97 fs).
dt                      = 0.015
nsteps                  = 20000
nstcomm                 = 100
nstxout-compressed      = 1000
nstenergy               = 1000
nstlog                  = 1000
)" + std::string(nonbonded_parameters) +
         R"(
; 300 K by velocity rescaling, no pressure coupling (no solvent).
tcoupl                  = v-rescale
tc-grps                 = System
tau-t                   = 1.0
ref-t                   = 300
pcoupl                  = no
gen-vel                 = yes
gen-temp                = 300
gen-seed                = -1

; The rings' constraints of the residue templates.
constraint-algorithm    = lincs
lincs-order             = 4
lincs-iter              = 1
)";
}

}  // namespace beadbuild
