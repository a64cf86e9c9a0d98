#include "platform/matrix/parallel.hpp"

#include "platform/matrix/runtime_error.hpp"

namespace varnok {

void throwCancelled() { throw RuntimeError("Cancelled."); }

}  // namespace varnok
