#include "session/state.hpp"

namespace varnok::session {

const std::vector<std::string>& defaultColorList() {
  static const std::vector<std::string> list = {"ko", "bx", "rp", "ms", "c+", "g*", "y>", "k<",
                                                "bo", "rs", "mp", "co", "g^", "kx", "bp", "rs",
                                                "m+", "c*", "g>", "y<", "kp", "bs", "rx", "yh"};
  return list;
}

}  // namespace varnok::session
