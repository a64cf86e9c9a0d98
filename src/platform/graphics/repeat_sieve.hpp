// RepeatSieve: drops, from markers of one look taken in order, those that
// land in the quarter-pixel cell of one before them. A marker stamper paints
// such a repeat of an opaque look of one colour only once, so those markers
// change nothing; what the sieve lets through must still be stamped, in
// order, and the stamper drops the repeats of what came before the sieve.
//
// A sieve has its own memory of the cells it has passed and reads nothing
// else, so sieves of consecutive parts of a long run of markers can work on
// threads of their own: each part's markers keep their order, and the parts
// are stamped one after another.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <optional>
#include <vector>

namespace varnok::graphics {

// The quarter-pixel cell a marker centred at device point (dx, dy) is
// stamped in: its pixel and which of the 4 x 4 sprite phases it takes; none
// for a point that is not finite or so far out that no sprite reaches the
// picture. The stamper and the sieve both go by it.
struct QuarterCell {
  int x = 0, y = 0, phase = 0;
};

inline std::optional<QuarterCell> quarterCell(double dx, double dy) {
  if (!std::isfinite(dx) || !std::isfinite(dy)) return std::nullopt;
  if (dx < -1e6 || dx > 1e6 || dy < -1e6 || dy > 1e6) return std::nullopt;
  const double fx = std::floor(dx), fy = std::floor(dy);
  return QuarterCell{static_cast<int>(fx), static_cast<int>(fy),
                     std::min(3, static_cast<int>((dy - fy) * 4)) * 4 +
                         std::min(3, static_cast<int>((dx - fx) * 4))};
}

class RepeatSieve {
 public:
  // Markers whose user point maps to device pixel (xx x + x0, yy y + y0);
  // cells are remembered for pixels in [c0, c1) x [r0, r1). Markers outside
  // those pixels always pass.
  RepeatSieve(double xx, double yy, double x0, double y0, int c0, int r0, int c1, int r1)
      : xx_(xx), yy_(yy), x0_(x0), y0_(y0), c0_(c0), r0_(r0), w_(c1 - c0), h_(r1 - r0) {}

  // False when a marker at the user point (x, y) can be left out: one passed
  // before it fell in the same cell, or the stamper paints nothing there.
  bool first(double x, double y) {
    const auto c = quarterCell(xx_ * x + x0_, yy_ * y + y0_);
    if (!c) return false;
    const int col = c->x - c0_, row = c->y - r0_;
    if (col < 0 || row < 0 || col >= w_ || row >= h_) return true;
    if (seen_.empty()) {
      if (keepAll_) return true;
      try {
        seen_.assign(static_cast<std::size_t>(w_) * static_cast<std::size_t>(h_), 0);
      } catch (const std::bad_alloc&) {
        keepAll_ = true;  // every marker goes on to the stamper, as without a sieve
        return true;
      }
    }
    std::uint16_t& cell = seen_[static_cast<std::size_t>(row) * static_cast<std::size_t>(w_) +
                                static_cast<std::size_t>(col)];
    const auto bit = static_cast<std::uint16_t>(1u << c->phase);
    if ((cell & bit) != 0) return false;
    cell = static_cast<std::uint16_t>(cell | bit);
    return true;
  }

 private:
  double xx_, yy_, x0_, y0_;
  int c0_, r0_, w_, h_;
  std::vector<std::uint16_t> seen_;
  bool keepAll_ = false;
};

}  // namespace varnok::graphics
