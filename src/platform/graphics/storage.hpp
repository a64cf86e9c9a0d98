// Compact storage of object fields: line data, line styles and tags.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varnok::graphics {

// A read-only run of numbers (a line's XData or YData), comparable with a
// vector.
class Doubles {
 public:
  using value_type = double;
  using iterator = const double*;
  using const_iterator = const double*;
  Doubles() = default;
  Doubles(const double* p, std::size_t n) : p_(p), n_(n) {}
  const double* data() const { return p_; }
  std::size_t size() const { return n_; }
  bool empty() const { return n_ == 0; }
  const double& operator[](std::size_t i) const { return p_[i]; }
  // Throws std::out_of_range past the end.
  const double& at(std::size_t i) const;
  const double* begin() const { return p_; }
  const double* end() const { return p_ + n_; }
  operator std::span<const double>() const { return {p_, n_}; }
  std::vector<double> vector() const { return {begin(), end()}; }
  friend bool operator==(Doubles a, Doubles b);
  friend bool operator==(Doubles a, const std::vector<double>& b) {
    return a == Doubles(b.data(), b.size());
  }

 private:
  const double* p_ = nullptr;
  std::size_t n_ = 0;
};

// A line's XData and YData in one block, the x values first. A line of at
// most one point (the common case of markers drawn one by one) keeps it in
// place, with no block of its own.
class LineCoords {
 public:
  LineCoords() = default;
  LineCoords(const LineCoords& o) { assign(o.x(), o.y()); }
  LineCoords& operator=(const LineCoords& o);
  LineCoords(LineCoords&& o) noexcept;
  LineCoords& operator=(LineCoords&& o) noexcept;
  ~LineCoords() { release(); }
  Doubles x() const { return {base(), nx_}; }
  Doubles y() const { return {base() + nx_, ny_}; }
  // Replaces both (either may be a view of this line's own values). Throws
  // RuntimeError for more than about four billion values.
  void assign(std::span<const double> x, std::span<const double> y);

 private:
  bool inPlace() const { return std::size_t{nx_} + ny_ <= 2; }
  const double* base() const { return inPlace() ? local_ : block_; }
  void release() noexcept;
  std::uint32_t nx_ = 0, ny_ = 0;
  union {
    double* block_;
    double local_[2] = {0, 0};
  };
};

// A line style, "-", "--", ":", "-." or "none", kept in one byte.
class LineStyleName {
 public:
  // Throws RuntimeError for any other text.
  LineStyleName(std::string_view s = "-");
  LineStyleName(const std::string& s) : LineStyleName(std::string_view(s)) {}
  LineStyleName(const char* s) : LineStyleName(std::string_view(s)) {}
  std::string_view view() const;
  operator std::string_view() const { return view(); }
  std::string str() const { return std::string(view()); }
  bool none() const { return code_ == 4; }
  friend bool operator==(LineStyleName a, LineStyleName b) { return a.code_ == b.code_; }
  friend bool operator==(LineStyleName a, std::string_view b) { return a.view() == b; }
  friend bool operator==(LineStyleName a, const char* b) { return a.view() == b; }
  friend std::ostream& operator<<(std::ostream& o, LineStyleName s) { return o << s.view(); }

 private:
  std::uint8_t code_ = 0;
};

// An object's Tag: most objects have none, so an empty tag takes one
// pointer and no text.
class TagText {
 public:
  TagText() = default;
  TagText(std::string s) { *this = std::move(s); }
  TagText(const char* s) : TagText(std::string(s)) {}
  TagText(const TagText& o) : text_(o.text_ ? std::make_unique<std::string>(*o.text_) : nullptr) {}
  TagText& operator=(const TagText& o) { return *this = o.str(); }
  TagText(TagText&&) noexcept = default;
  TagText& operator=(TagText&&) noexcept = default;
  TagText& operator=(std::string s);
  TagText& operator=(const char* s) { return *this = std::string(s); }
  const std::string& str() const;
  operator const std::string&() const { return str(); }
  bool empty() const { return !text_; }
  friend bool operator==(const TagText& a, std::string_view b) { return a.str() == b; }
  friend bool operator==(const TagText& a, const char* b) { return a.str() == b; }
  friend bool operator==(const TagText& a, const TagText& b) { return a.str() == b.str(); }
  friend std::ostream& operator<<(std::ostream& o, const TagText& t) { return o << t.str(); }

 private:
  std::unique_ptr<std::string> text_;
};

}  // namespace varnok::graphics
