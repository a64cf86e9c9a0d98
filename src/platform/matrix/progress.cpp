#include "platform/matrix/progress.hpp"

namespace varnok {

Progress& noProgress() {
  static Progress none;
  return none;
}

}  // namespace varnok
