// Actions of the analysis on the shared session fixture.
#pragma once

#include "support/session_fixture.hpp"

namespace varnok::analysis::actiontest {

namespace fs = std::filesystem;
using ActionTest = varnok::testkit::SessionTest;
using varnok::testkit::filesIn;

}  // namespace varnok::analysis::actiontest
