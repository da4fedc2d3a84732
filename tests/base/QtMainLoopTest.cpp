// The main-loop contract on Qt's event loop.

#include <QCoreApplication>

#include "LoopContract.h"
#include "base/ui/QtMainLoop.h"

namespace corvane::base::testing {

struct QtDriver {
  using Loop = QtMainLoop;
  static std::unique_ptr<Loop> make() { return std::make_unique<Loop>(); }
  static bool runUntil(Loop& l, const std::function<bool()>& p, int ms) { return l.runUntil(p, ms); }
  static void elapse(Loop&, uint32_t) {}
};

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, LoopContract, QtDriver);

}  // namespace corvane::base::testing

TEST(QtMainLoop, QueuedWorkDoesNotOutliveTheLoop) {
  // Work posted to a loop that is then destroyed is dropped, not run on a dead loop.
  bool ran = false;
  {
    corvane::base::QtMainLoop loop;
    loop.post([&] { ran = true; });
  }
  QCoreApplication::processEvents();
  EXPECT_FALSE(ran);
}

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
