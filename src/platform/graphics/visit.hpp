// Visiting drawn objects with lambdas: visitAs(o, overloaded{[](const Line&)
// {...}, [](const Text&) {...}}) calls the one that takes o's own class and
// nothing for the classes none takes.
#pragma once

#include <type_traits>

#include "platform/graphics/contour.hpp"
#include "platform/graphics/graphics.hpp"
#include "platform/graphics/quiver.hpp"

namespace varnok::graphics {

template <class... F>
struct overloaded : F... {
  using F::operator()...;
};
template <class... F>
overloaded(F...) -> overloaded<F...>;

template <class F>
class VisitorOf final : public ObjectVisitor {
 public:
  explicit VisitorOf(F& f) : f_(f) {}
  void visit(const Line& o) override { call(o); }
  void visit(const Text& o) override { call(o); }
  void visit(const Patch& o) override { call(o); }
  void visit(const Quiver& o) override { call(o); }
  void visit(const Contour& o) override { call(o); }

 private:
  template <class T>
  void call(const T& o) {
    if constexpr (std::is_invocable_v<F&, const T&>) f_(o);
  }
  F& f_;
};

template <class F>
void visitAs(const Object& o, F&& f) {
  VisitorOf<std::remove_reference_t<F>> v(f);
  o.accept(v);
}

}  // namespace varnok::graphics
