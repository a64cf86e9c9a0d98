// A Qt window loaded from the layout file of the source tree, knowing the
// program's catalog, with a runner that records the callbacks it is sent
// instead of running them.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/qt/qt_window.hpp"
#include "shell/registry.hpp"

namespace varnok::qt::testing {

struct SentCallback {
  std::string callback;
  std::string sourceTag;
};

struct RecordingWindow {
  explicit RecordingWindow(std::string layout = VARNOK_SOURCE_DIR "/layout/Varnok6p.ui") {
    QtWindow::Options options;
    options.layoutFile = std::move(layout);
    options.fitToScreen = false;
    options.catalog = &shell::catalog();
    window = std::make_unique<QtWindow>(
        [this](const std::string& cb, window::Control* source) {
          sent.push_back({cb, source ? source->tag() : std::string()});
          if (onCallback) onCallback(cb);
        },
        options);
  }

  std::vector<SentCallback> sent;
  std::function<void(const std::string&)> onCallback;
  std::unique_ptr<QtWindow> window;
};

}  // namespace varnok::qt::testing
