// The adapter helper's failure in the window: said on standard error, and in a warning box
// once the loop runs again, not inside the adapter call that found it.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/window_run.h"
#include "platform/scripted_operator.h"
#include "platform/virtual_event_loop.h"

namespace tarvos::app {
namespace {

TEST(WindowRunTest, TheAdapterHelpersFailureIsABoxAtTheLoopsNextPass) {
  platform::VirtualEventLoop loop;
  platform::ScriptedOperator op;
  std::ostringstream err;
  const auto warn = AdapterWarningInBox(loop, op, err);
  warn("The adapter process has ended (signal 11).");
  EXPECT_EQ(err.str(), "warning: The adapter process has ended (signal 11).\n");
  EXPECT_TRUE(op.Texts().empty());
  loop.RunFor(1);
  ASSERT_EQ(op.History().size(), 1u);
  EXPECT_EQ(op.History()[0].Kind, platform::MessageKind::Warning);
  EXPECT_EQ(op.History()[0].Text, "The adapter process has ended (signal 11).");
  loop.RunFor(100);
  EXPECT_EQ(op.History().size(), 1u);
}

}  // namespace
}  // namespace tarvos::app
