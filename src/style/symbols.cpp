#include "style/symbols.hpp"

#include "platform/matrix/runtime_error.hpp"

namespace varnok::style {

namespace {

bool isLine(const graphics::Object* o) {
  std::string t = o->type();
  return !t.empty() && t[0] == 'l';
}

}  // namespace

std::vector<graphics::Object*> childrenOf(graphics::Figure& fig, double handle) {
  if (handle == fig.axes().handle()) return childrenOf(fig.axes());
  if (handle == fig.handle() || fig.find(handle) != nullptr) return {};
  throw RuntimeError("Run-time Error: Invalid handle " + std::to_string(handle) + ".");
}

void setsymbolfill(const std::vector<graphics::Object*>& children, double isfilled) {
  for (auto* c : children) {
    if (!isLine(c)) continue;
    c->set("MarkerFaceColor", isfilled == 0 ? Value("none") : c->get("Color"));
  }
}

void setsymbolbw(const std::vector<graphics::Object*>& children) {
  for (auto* c : children) {
    if (!isLine(c)) continue;
    c->set("MarkerEdgeColor", "k");
    c->set("MarkerFaceColor", "k");
  }
}

void incrementsymbolsize(const std::vector<graphics::Object*>& children, double increment) {
  for (auto* c : children) {
    if (!isLine(c)) continue;
    c->set("MarkerSize", c->get("MarkerSize").scalar() + increment);
  }
}

void setlinethickness(const std::vector<graphics::Object*>& children, double width) {
  for (auto* c : children)
    if (isLine(c)) c->set("LineWidth", width);
}

void incrementlinethickness(const std::vector<graphics::Object*>& children, double weight) {
  for (auto* c : children) {
    std::string t = c->type();
    if (!(isLine(c) || t == "L")) continue;
    std::string style = c->get("LineStyle").text();
    if (!style.empty() && style[0] == 'n') continue;
    c->set("LineWidth", c->get("LineWidth").scalar() + weight);
  }
}

}  // namespace varnok::style
