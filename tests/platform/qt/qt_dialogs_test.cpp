// The filters of the Qt file dialogs.
#include "platform/qt/qt_dialogs.hpp"

#include <gtest/gtest.h>

#include "io/load_data.hpp"

namespace varnok::qt {
namespace {

TEST(QtFileFilter, PatternsAndNamedFilters) {
  // "*.*" would hide files without an extension here.
  EXPECT_EQ(qtFileFilter("*.*"), "All files (*)");
  EXPECT_EQ(qtFileFilter(""), "All files (*)");
  EXPECT_EQ(qtFileFilter("*.txt;*.dat"), "Files (*.txt *.dat);;All files (*)");
  // Named filters are Qt's own form already.
  EXPECT_EQ(qtFileFilter(io::kLandmarkFilter),
            "Landmark files (*.txt *.tps *.nts);;TPS files (*.tps);;NTS files (*.nts);;All files "
            "(*)");
  EXPECT_EQ(qtFileFilter("CSV files (*.csv)"), "CSV files (*.csv)");
}

}  // namespace
}  // namespace varnok::qt
