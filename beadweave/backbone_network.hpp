// The topology lines measured on the backbone beads (the first bead of each
// residue): bonds between consecutive backbone beads, bonds four residues
// apart, the elastic network, and the angles at each middle backbone bead;
// and the two console dialogues that choose the force constants and the
// elastic network cut-off.
#ifndef BEADWEAVE_BACKBONE_NETWORK_HPP
#define BEADWEAVE_BACKBONE_NETWORK_HPP

#include <cstdint>

#include "bead_assignment.hpp"
#include "structure_input.hpp"

namespace beadweave {

// Distance in nm between beads `first` and `second`, entirely in 4-byte
// reals: differences first minus second, their squares, (x + y) + z, square
// root, divided by 10. The same value is compared and written.
float backbone_distance(const Structure& structure, std::int32_t first, std::int32_t second);

// Angle in degrees at bead m between beads p and n: the two difference
// vectors in 4-byte reals widened, the angle from angvec rounded to a 4-byte
// real, then times 180 and divided by the 4-byte pi, in 8-byte reals.
// Ends the run if two of the beads coincide (see angvec).
double backbone_angle(const Structure& structure, std::int32_t p, std::int32_t m, std::int32_t n);

// The answers of the second dialogue.
struct ElasticNetwork {
  std::int32_t force_constant = 0;
  float cutoff = 0.0F;
};

// The bonds between consecutive backbone beads, force constant "150000".
void write_consecutive_bonds(const Structure& structure, const BeadAssignment& assignment);
// First dialogue: the i to i+4 force constant.
std::int32_t ask_i4_force_constant();
// The bonds four residues apart, when the force constant is above 0.
void write_i4_bonds(const Structure& structure, const BeadAssignment& assignment,
                    std::int32_t force_constant);
// Second dialogue: the elastic network force constant, then its cut-off.
ElasticNetwork ask_elastic_network();
// A bond for every backbone pair at least three residues apart that lies
// strictly closer than the cut-off.
void write_elastic_network(const Structure& structure, const BeadAssignment& assignment,
                           const ElasticNetwork& network);
// Two angle lines at each middle backbone bead: the measured angle, then 120.
void write_backbone_angles(const Structure& structure, const BeadAssignment& assignment);

}  // namespace beadweave

#endif
