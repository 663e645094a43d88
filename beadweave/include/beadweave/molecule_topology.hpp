// One molecule's whole topology, front to back: the molecule type and its
// atoms, the bonds (consecutive backbone beads, i to i+4, the elastic
// network, the templates'), constraints, angles, dihedrals and the
// position-restraint block. The force constants of the backbone network are
// asked for while the file is written, just before the lines that use them.
#ifndef BEADWEAVE_MOLECULE_TOPOLOGY_HPP
#define BEADWEAVE_MOLECULE_TOPOLOGY_HPP

#include <cstdint>

#include "beadweave/backbone_network.hpp"
#include "beadweave/topology_writer.hpp"

namespace beadweave {

// Where the three answers come from: beadweave asks on the console, a
// front end that knows them beforehand hands them over.
class BackboneAnswers {
 public:
  virtual ~BackboneAnswers() = default;
  // Asked once the consecutive backbone bonds are written.
  virtual std::int32_t i4_force_constant() = 0;
  // Asked once the i to i+4 bonds are written.
  virtual ElasticNetwork elastic_network() = 0;
};

// The answers given beforehand.
class FixedAnswers final : public BackboneAnswers {
 public:
  FixedAnswers(std::int32_t i4_force_constant, ElasticNetwork network)
      : i4_force_constant_(i4_force_constant), network_(network) {}
  std::int32_t i4_force_constant() override { return i4_force_constant_; }
  ElasticNetwork elastic_network() override { return network_; }

 private:
  std::int32_t i4_force_constant_;
  ElasticNetwork network_;
};

// Writes the topology of `protein` to the unit of `target`, which is open.
void write_molecule_topology(const TopologyTarget& target, const Protein& protein,
                             const BackbonePieces& pieces, BackboneAnswers& answers);

}  // namespace beadweave

#endif
