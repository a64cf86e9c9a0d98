#include "platform/qt/progress_dialog.hpp"

#include <gtest/gtest.h>

#include <QApplication>
#include <QThread>

namespace varnok::qt {
namespace {

TEST(ProgressDialog, StaysHiddenForShortWork) {
  ProgressDialog p(60000);
  p.start("Procrustes fit", 10);
  p.advance(5);
  p.finish();
  EXPECT_FALSE(p.shown());
  EXPECT_FALSE(p.cancelled());
}

TEST(ProgressDialog, ShowsForLongWorkAndCancelStopsIt) {
  ProgressDialog p(0);
  p.start("Partial warps", 100);
  QThread::msleep(5);
  p.advance(10);
  ASSERT_TRUE(p.shown());
  EXPECT_FALSE(p.cancelled());
  // The user presses Cancel.
  auto* dialog = QApplication::activeModalWidget();
  ASSERT_NE(dialog, nullptr);
  QMetaObject::invokeMethod(dialog, "cancel");
  EXPECT_TRUE(p.cancelled());
}

}  // namespace
}  // namespace varnok::qt
