#include "analysis/permutation.hpp"

#include <utility>

namespace varnok::analysis {

std::uint32_t PermutationStream::below(std::uint32_t n) {
  // Lemire's method on 32-bit words, two words per 64-bit draw: the high
  // half of x * n is uniform in [0, n) once the rare low halves below
  // 2^32 mod n are rejected.
  auto word = [this]() -> std::uint32_t {
    if (haveSpare_) {
      haveSpare_ = false;
      return static_cast<std::uint32_t>(spare_);
    }
    const std::uint64_t v = rng_();
    spare_ = v;
    haveSpare_ = true;
    return static_cast<std::uint32_t>(v >> 32);
  };
  std::uint64_t product = std::uint64_t{word()} * n;
  auto low = static_cast<std::uint32_t>(product);
  if (low < n) {
    const std::uint32_t threshold = static_cast<std::uint32_t>(-n) % n;
    while (low < threshold) {
      product = std::uint64_t{word()} * n;
      low = static_cast<std::uint32_t>(product);
    }
  }
  return static_cast<std::uint32_t>(product >> 32);
}

void PermutationStream::shuffle(int* a, std::size_t n) {
  for (std::size_t i = n; i > 1; --i) {
    const std::size_t j = below(static_cast<std::uint32_t>(i));
    std::swap(a[i - 1], a[j]);
  }
}

void PermutationStream::shuffleAt(int* a, const std::vector<int>& positions) {
  for (std::size_t i = positions.size(); i > 1; --i) {
    const std::size_t j = below(static_cast<std::uint32_t>(i));
    std::swap(a[positions[i - 1]], a[positions[j]]);
  }
}

}  // namespace varnok::analysis
