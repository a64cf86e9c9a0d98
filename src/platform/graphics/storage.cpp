#include "platform/graphics/storage.hpp"

#include <limits>
#include <stdexcept>

#include "platform/graphics/properties.hpp"
#include "platform/matrix/runtime_error.hpp"

namespace varnok::graphics {

using props::quoted;

const double& Doubles::at(std::size_t i) const {
  if (i >= n_) throw std::out_of_range("Doubles::at");
  return p_[i];
}

bool operator==(Doubles a, Doubles b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

LineCoords& LineCoords::operator=(const LineCoords& o) {
  if (this != &o) assign(o.x(), o.y());
  return *this;
}

// Starts empty (in place, nothing to release) and takes o's coordinates.
LineCoords::LineCoords(LineCoords&& o) noexcept {
  *this = std::move(o);
}

LineCoords& LineCoords::operator=(LineCoords&& o) noexcept {
  if (this == &o) return *this;
  release();
  nx_ = o.nx_;
  ny_ = o.ny_;
  if (inPlace()) {
    local_[0] = o.local_[0];
    local_[1] = o.local_[1];
  } else {
    block_ = o.block_;
  }
  o.nx_ = o.ny_ = 0;
  o.local_[0] = o.local_[1] = 0;
  return *this;
}

void LineCoords::release() noexcept {
  if (!inPlace()) delete[] block_;
  nx_ = ny_ = 0;
  local_[0] = local_[1] = 0;
}

void LineCoords::assign(std::span<const double> x, std::span<const double> y) {
  constexpr std::size_t most = std::numeric_limits<std::uint32_t>::max();
  if (x.size() > most || y.size() > most)
    throw RuntimeError("A line can hold at most " + std::to_string(most) + " points.");
  const std::size_t n = x.size() + y.size();
  if (n <= 2) {
    // The values may be this line's own: read them before anything changes.
    double v[2] = {0, 0};
    std::copy(x.begin(), x.end(), v);
    std::copy(y.begin(), y.end(), v + x.size());
    release();
    local_[0] = v[0];
    local_[1] = v[1];
  } else {
    auto* block = new double[n];
    std::copy(x.begin(), x.end(), block);
    std::copy(y.begin(), y.end(), block + x.size());
    release();
    block_ = block;
  }
  nx_ = static_cast<std::uint32_t>(x.size());
  ny_ = static_cast<std::uint32_t>(y.size());
}

namespace {
constexpr std::array<std::string_view, 5> kLineStyles = {"-", "--", ":", "-.", "none"};
}  // namespace

LineStyleName::LineStyleName(std::string_view s) {
  const auto it = std::find(kLineStyles.begin(), kLineStyles.end(), s);
  if (it == kLineStyles.end())
    throw RuntimeError("Invalid line style " + quoted(s) + ": use -, --, :, -. or none.");
  code_ = static_cast<std::uint8_t>(it - kLineStyles.begin());
}

std::string_view LineStyleName::view() const {
  return kLineStyles[code_];
}

TagText& TagText::operator=(std::string s) {
  if (s.empty()) {
    text_.reset();
  } else if (text_) {
    *text_ = std::move(s);
  } else {
    text_ = std::make_unique<std::string>(std::move(s));
  }
  return *this;
}

const std::string& TagText::str() const {
  static const std::string none;
  return text_ ? *text_ : none;
}

}  // namespace varnok::graphics
