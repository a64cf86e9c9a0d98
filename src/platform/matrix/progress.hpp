// Progress of long work, reported by numeric routines that can run long.
//
// The core never knows who listens: the Qt layer shows a dialog after about
// half a second, script mode prints a plain line or nothing. A routine checks
// cancelled() between steps and throws RuntimeError("Cancelled.") to stop
// like an action that hit an error.
#pragma once

#include <string_view>

namespace varnok {

class Progress {
 public:
  virtual ~Progress() = default;
  virtual void start(std::string_view what, long total) { (void)what, (void)total; }
  virtual void advance(long n) { (void)n; }
  virtual bool cancelled() const { return false; }
  virtual void finish() {}
  // True when someone watches while the work runs (a window that must keep
  // answering); work that cannot report steps then runs on a thread of its own.
  virtual bool interactive() const { return false; }
};

// A Progress that does nothing; the default argument of long routines.
Progress& noProgress();

}  // namespace varnok
