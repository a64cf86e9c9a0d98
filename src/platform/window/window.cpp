#include "platform/window/window.hpp"

#include <filesystem>

#include "platform/matrix/runtime_error.hpp"

namespace varnok::window {

Control& Window::control(std::string_view tag) {
  auto found = findobj(tag);
  if (found.empty())
    throw RuntimeError("Run-time Error: The window has no control tagged \"" + std::string(tag) +
                       "\".");
  return *found.front();
}

void Window::setAll(std::string_view tag, std::string_view prop, const Value& v) {
  auto found = findobj(tag);
  if (found.empty())
    throw RuntimeError("Run-time Error: The window has no control tagged \"" + std::string(tag) +
                       "\".");
  for (Control* c : found) c->set(prop, v);
}

void Window::confirmSaved(std::string_view what, std::string_view path, std::string_view detail) {
  status("Saved " + std::string(what) + " to " + std::filesystem::path(path).filename().string() +
         std::string(detail));
}

void Window::setPlotSize(int width, int height) {
  throw RuntimeError("This window cannot make its plot area " + std::to_string(width) + " x " +
                     std::to_string(height) + " pixels.");
}

}  // namespace varnok::window
