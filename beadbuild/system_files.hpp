// The texts of the system directory that describe the whole system: the
// topology that includes each molecule, the coordinates GROMACS starts from,
// and a coarse-grained PDB file for viewers.
#ifndef BEADBUILD_SYSTEM_FILES_HPP
#define BEADBUILD_SYSTEM_FILES_HPP

#include <memory>
#include <string>
#include <vector>

#include "molecules.hpp"
#include "system_layout.hpp"

namespace beadbuild {

// The include file of a molecule, and the position restraints it includes.
std::string topology_file_name(const Molecule& molecule);
std::string restraint_file_name(const Molecule& molecule);

// topol.top: the force field, each molecule's include file, [ system ] with
// `title`, and [ molecules ] one line a molecule.
std::string format_system_topology(const std::vector<std::unique_ptr<Molecule>>& molecules,
                                   const std::string& forcefield_file, const std::string& title);

// conf.gro: every bead in nm, named and numbered as in the topology; atom
// and residue numbers wrap past 99999 as GROMACS writes them.
std::string format_gro(const std::vector<std::unique_ptr<Molecule>>& molecules, const Box& box,
                       const std::string& title);

// The system as a coarse-grained PDB file: the entry's chain names and
// residue numbers, positions as in conf.gro (angstrom), a TER after each
// chain.
std::string format_system_pdb(const std::vector<std::unique_ptr<Molecule>>& molecules,
                              const Box& box, const std::string& title);

}  // namespace beadbuild

#endif
