#include "beadweave/backbone_network.hpp"

#include <cmath>

#include "common/record_io.hpp"
#include "beadweave/topology_writer.hpp"
#include "vector_geometry.hpp"

namespace beadweave {
namespace {

const rio::Layout& consecutive_bond_layout() {
  static const rio::Layout layout{R"(I4,4X,I4,4X,I4,4X,F8.3,4X,"150000")"};
  return layout;
}

const rio::Layout& network_bond_layout() {
  static const rio::Layout layout{"I4,4X,I4,4X,I4,4X,F8.3,4X,I8"};
  return layout;
}

constexpr std::int32_t bond_function = 1;
constexpr std::int32_t angle_function = 2;
constexpr double backbone_angle_force_constant = 40.0;
constexpr double backbone_reference_angle = 120.0;

}  // namespace

float backbone_distance(const Structure& structure, std::int32_t first, std::int32_t second) {
  const float dx = structure.AX[first] - structure.AX[second];
  const float dy = structure.AY[first] - structure.AY[second];
  const float dz = structure.AZ[first] - structure.AZ[second];
  const float square_x = dx * dx;
  const float square_y = dy * dy;
  const float square_z = dz * dz;
  float sum = square_x + square_y;
  sum = sum + square_z;
  const float root = std::sqrt(sum);
  return root / 10.0F;  // angstrom to nm
}

double backbone_angle(const Structure& structure, std::int32_t p, std::int32_t m, std::int32_t n) {
  const auto difference = [&structure](std::int32_t from, std::int32_t to) {
    const float x = structure.AX[from] - structure.AX[to];
    const float y = structure.AY[from] - structure.AY[to];
    const float z = structure.AZ[from] - structure.AZ[to];
    return Vector3{x, y, z};
  };
  const Vector3 VECTOR1 = difference(p, m);
  const Vector3 VECTOR2 = difference(n, m);
  const float radians = static_cast<float>(angvec(VECTOR1, VECTOR2));
  return static_cast<double>(radians) * 180.0 / float_pi;
}

void write_consecutive_bonds(const Backbone& backbone) {
  const auto& begin = backbone.assignment.BEGINRES;
  for (std::int32_t r = 1; r <= backbone.structure.residue_count - 1; ++r) {
    if (!backbone.pieces.same_piece(r, r + 1)) continue;
    rio::write(backbone.unit, consecutive_bond_layout(), begin[r], begin[r + 1], bond_function,
               backbone_distance(backbone.structure, begin[r], begin[r + 1]));
  }
}

// The console texts are the program's own, as users and their scripts know
// them: "i-i_4" and "Tolvik" (the elastic network's name) stay as written.
std::int32_t ask_i4_force_constant() {
  rio::write_line(rio::stdout_unit, "");
  rio::write_line(rio::stdout_unit, "Select a value for the Ca (i-i_4) bonds.");
  rio::write_line(rio::stdout_unit, "Type 0 (zero) to exclude this type of bonds.");
  rio::write_line(rio::stdout_unit, "40000 kJ mole-1 nm-2 seems to be working fine.");
  rio::write_line(rio::stdout_unit, "");
  rio::write_line(rio::stdout_unit, "Value:");
  std::int32_t force_constant = 0;
  rio::read_free(rio::stdin_unit, force_constant);
  return force_constant;
}

void write_i4_bonds(const Backbone& backbone, std::int32_t force_constant) {
  if (force_constant <= 0) return;
  const auto& begin = backbone.assignment.BEGINRES;
  for (std::int32_t r = 1; r <= backbone.structure.residue_count - 4; ++r) {
    if (!backbone.pieces.same_piece(r, r + 4)) continue;
    rio::write(backbone.unit, network_bond_layout(), begin[r], begin[r + 4], bond_function,
               backbone_distance(backbone.structure, begin[r], begin[r + 4]), force_constant);
  }
}

ElasticNetwork ask_elastic_network() {
  ElasticNetwork network;
  rio::write_line(rio::stdout_unit, "Choose a force constant (kJ mol-1 nm-2) for Tolvik:");
  rio::read_free(rio::stdin_unit, network.force_constant);
  rio::write_line(rio::stdout_unit, "Choose a cutoff (nm) for Tolvik:");
  rio::read_free(rio::stdin_unit, network.cutoff);
  return network;
}

void write_elastic_network(const Backbone& backbone, const ElasticNetwork& network) {
  const auto& begin = backbone.assignment.BEGINRES;
  const std::int32_t residues = backbone.structure.residue_count;
  for (std::int32_t i = 1; i <= residues; ++i) {
    // Within a chain the network starts three residues on; the residues
    // before that may belong to the next chain.
    for (std::int32_t j = i + 1; j <= residues; ++j) {
      if (j < i + 3 && backbone.pieces.same_chain(i, j)) continue;
      const float distance = backbone_distance(backbone.structure, begin[i], begin[j]);
      // Strictly inside: a pair at exactly the cut-off is left out.
      if (network.cutoff > distance) {
        rio::write(backbone.unit, network_bond_layout(), begin[i], begin[j], bond_function,
                   distance, network.force_constant);
      }
    }
  }
}

void write_backbone_angles(const Backbone& backbone) {
  const auto& begin = backbone.assignment.BEGINRES;
  for (std::int32_t j = 2; j <= backbone.structure.residue_count - 1; ++j) {
    if (!backbone.pieces.same_piece(j - 1, j + 1)) continue;
    const std::int32_t p = begin[j - 1];
    const std::int32_t m = begin[j];
    const std::int32_t n = begin[j + 1];
    const double measured = backbone_angle(backbone.structure, p, m, n);
    rio::write(backbone.unit, angle_line_layout(), p, m, n, angle_function, measured,
               backbone_angle_force_constant);
    rio::write(backbone.unit, angle_line_layout(), p, m, n, angle_function,
               backbone_reference_angle, backbone_angle_force_constant);
  }
}

}  // namespace beadweave
