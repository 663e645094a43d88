// Particle-by-particle traversal of the grid, in the reference order.
#include "streamed_pairs.hpp"

#include <algorithm>
#include <vector>

#include "column_windows.hpp"
#include "pairprobe/periodic_fold.hpp"

namespace pairprobe {
namespace {

struct Partner {
  std::int32_t index;  // 0-based number of the second particle
  double distance_squared;
};

class ParticleOrderScan {
 public:
  ParticleOrderScan(const Configuration& config, const ColumnGrid& grid)
      : grid_(grid),
        rows_(grid.rows()),
        fold_(box_fold(config.box)),
        contact_squared_(config.r_hs * config.r_hs) {}

  void scan(std::size_t first, std::size_t last, PairCollector& out) const {
    std::vector<Partner> partners;
    for (std::size_t i = first; i < last; ++i) {
      partners.clear();
      find_partners(i, partners);
      std::sort(partners.begin(), partners.end(),
                [](const Partner& a, const Partner& b) { return a.index < b.index; });
      for (const Partner& p : partners) {
        out.add({static_cast<std::int32_t>(i + 1), p.index + 1, p.distance_squared});
      }
      if (!out.particle_done()) return;
    }
  }

 private:
  // The partners j > i of particle i in the windows around it along x, in
  // its own column and the columns around it.
  void find_partners(std::size_t i, std::vector<Partner>& partners) const {
    const std::uint32_t row = grid_.row_of_particle(i);
    if (row == ColumnGrid::no_row) return;
    const std::uint32_t column = grid_.column_of_row(row);
    const GridPlan& plan = grid_.plan();
    const AxisNeighbours y_cells = plan.y.neighbours(column % plan.y.count);
    const AxisNeighbours z_cells = plan.z.neighbours(column / plan.y.count);
    const auto first = static_cast<std::int32_t>(i);
    const double xi = rows_.x[row];
    const double yi = rows_.y[row];
    const double zi = rows_.z[row];
    const double key = rows_.key[row];
    for (std::uint32_t kz = 0; kz < z_cells.count; ++kz) {
      for (std::uint32_t ky = 0; ky < y_cells.count; ++ky) {
        const std::uint32_t c = grid_.column_at(y_cells.cells[ky], z_cells.cells[kz]);
        const std::size_t base = grid_.column(c).first;
        const WindowRanges window = window_around(plan.x, grid_.keys(c), key);
        for (std::size_t k = 0; k < window.count; ++k) {
          for (std::size_t q = base + window.ranges[k].first; q < base + window.ranges[k].last;
               ++q) {
            const double s =
                folded_distance_squared(rows_.x[q] - xi, rows_.y[q] - yi, rows_.z[q] - zi, fold_);
            // One branch that is rarely taken, rather than a test of j > i
            // that goes either way.
            if ((rows_.index[q] > first) & overlaps(s, contact_squared_)) {
              partners.push_back({rows_.index[q], s});
            }
          }
        }
      }
    }
  }

  const ColumnGrid& grid_;
  GridRows rows_;
  BoxFold fold_;
  double contact_squared_;
};

}  // namespace

void stream_pairs_by_particle(const Configuration& config, const ColumnGrid& grid,
                              const BlockPlan& plan, const OverlapSink& sink) {
  const ParticleOrderScan particles(config, grid);
  scan_blocks_in_order(
      plan,
      [&particles](std::size_t first, std::size_t last, PairCollector& out) {
        particles.scan(first, last, out);
      },
      sink);
}

}  // namespace pairprobe
