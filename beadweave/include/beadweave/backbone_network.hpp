// The topology lines measured on the backbone beads (the first bead of each
// residue): bonds between consecutive backbone beads, bonds four residues
// apart, the elastic network, and the angles at each middle backbone bead;
// and the two console dialogues that choose the force constants and the
// elastic network cut-off.
#ifndef BEADWEAVE_BACKBONE_NETWORK_HPP
#define BEADWEAVE_BACKBONE_NETWORK_HPP

#include <cstdint>
#include <vector>

#include "beadweave/bead_assignment.hpp"
#include "beadweave/structure_input.hpp"

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

// Where the backbone runs on. The residues (1-based, in order) fall into
// chains, and each chain into pieces at its breaks; no backbone bond, i to
// i+4 bond or backbone angle joins two pieces, and the elastic network joins
// residues of different chains whatever their distance in sequence. With
// both tables empty, as in beadweave, the protein is one chain in one piece.
struct BackbonePieces {
  std::vector<std::int32_t> piece;  // piece of residue r at r - 1
  std::vector<std::int32_t> chain;  // chain of residue r at r - 1

  bool same_piece(std::int32_t r, std::int32_t s) const {
    return piece.empty() ||
           piece[static_cast<std::size_t>(r - 1)] == piece[static_cast<std::size_t>(s - 1)];
  }
  bool same_chain(std::int32_t r, std::int32_t s) const {
    return chain.empty() ||
           chain[static_cast<std::size_t>(r - 1)] == chain[static_cast<std::size_t>(s - 1)];
  }
};

// Everything the backbone lines are measured on, and the unit they go to.
struct Backbone {
  int unit;
  const Structure& structure;
  const BeadAssignment& assignment;
  const BackbonePieces& pieces;
};

// The bonds between consecutive backbone beads, force constant "150000".
void write_consecutive_bonds(const Backbone& backbone);
// First dialogue: the i to i+4 force constant.
std::int32_t ask_i4_force_constant();
// The bonds four residues apart, when the force constant is above 0.
void write_i4_bonds(const Backbone& backbone, std::int32_t force_constant);
// Second dialogue: the elastic network force constant, then its cut-off.
ElasticNetwork ask_elastic_network();
// A bond for every backbone pair that lies strictly closer than the
// cut-off: within a chain at least three residues apart, across chains any.
void write_elastic_network(const Backbone& backbone, const ElasticNetwork& network);
// Two angle lines at each middle backbone bead: the measured angle, then 120.
void write_backbone_angles(const Backbone& backbone);

}  // namespace beadweave

#endif
