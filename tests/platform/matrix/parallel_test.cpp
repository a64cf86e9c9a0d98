#include "platform/matrix/parallel.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace varnok {
namespace {

// Large enough to be read on two threads, a value that is not a number at
// either end, in the middle and where the second thread's blocks begin.
TEST(AllFinite, FindsAnyValueThatIsNotAFiniteNumber) {
  std::vector<double> v(3'000'000);
  for (std::size_t i = 0; i < v.size(); ++i) v[i] = std::ldexp(static_cast<double>(i % 977), 900);
  const auto n = static_cast<Eigen::Index>(v.size());
  EXPECT_TRUE(allFinite(v.data(), n));
  EXPECT_TRUE(allFinite(v.data(), 0));
  v[123] = std::numeric_limits<double>::max();
  EXPECT_TRUE(allFinite(v.data(), n));
  for (const double bad :
       {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity()})
    for (const std::size_t at :
         {std::size_t{0}, v.size() / 2, std::size_t{1} << 16, v.size() - 1}) {
      const double kept = v[at];
      v[at] = bad;
      EXPECT_FALSE(allFinite(v.data(), n)) << bad << " at " << at;
      EXPECT_EQ(allFinite(v.data(), static_cast<Eigen::Index>(at)), true) << "before " << at;
      v[at] = kept;
    }
}

}  // namespace
}  // namespace varnok
