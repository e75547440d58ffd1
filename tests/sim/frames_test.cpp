#include <gtest/gtest.h>

#include <cstdint>

#include "sim_rig.h"

namespace tarvos::sim::testing {
namespace {

const Bytes kVersion = {0x03, 0x20, 0x00, 0x04};
const Bytes kStatus = {0x03, 0x22, 0x00, 0x04};
const Bytes kMeasure = {0x03, 0x21, 0x00, 0x04};

TEST(SynthFrames, PackWholeMessagesInOrderAndCarryTheRestOver) {
  Rig rig;
  rig.Write(rig.synth, kVersion);  // 7 bytes
  rig.Write(rig.synth, kStatus);   // 3 bytes
  rig.Write(rig.synth, kMeasure);  // 11 bytes: no longer fits
  int32_t returned = 0;
  EXPECT_EQ(rig.Read(rig.synth, 16, &returned),
            (Bytes{0x06, 0xC0, 0, 0, 0, 3, 6, 0x02, 0xC4, kLow, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(returned, 16);
  // 11 bytes leave 5: too few for an unsolicited status.
  EXPECT_EQ(rig.Read(rig.synth), (Bytes{0x0A, 0xC1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(rig.Read(rig.synth), (Bytes{0x05, 0xC3, 0, 0, 0, kLow, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(SynthFrames, UnsolicitedStatusOnlyWithoutAnotherStatusMessage) {
  Rig rig;
  rig.Write(rig.synth, kVersion);
  rig.Write(rig.synth, kVersion);  // 14 bytes, 2 free
  EXPECT_EQ(rig.Read(rig.synth),
            (Bytes{0x06, 0xC0, 0, 0, 0, 3, 6, 0x06, 0xC0, 0, 0, 0, 3, 6, 0, 0}));

  rig.Select(3);
  rig.Tune(1000.0);
  rig.CloseLoop(rig.SetPointFor(1000.0, 25.0));
  rig.loop.RunFor(3000);  // the cannot-reach message is queued by now
  const Bytes frame = rig.Read(rig.synth);
  EXPECT_EQ(frame[0], 0x02);
  EXPECT_EQ(frame[1], 0xD0);
  EXPECT_EQ(frame[3], 0x00);  // no C3 after a D0
}

TEST(SynthFrames, EngineersRawReadTakesUpToSixtyFourBytes) {
  Rig rig;
  for (int i = 0; i < 5; ++i) rig.Write(rig.synth, kMeasure);  // 55 bytes
  int32_t returned = 0;
  const Bytes frame = rig.Read(rig.synth, 64, &returned);
  EXPECT_EQ(returned, 64);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(frame[i * 11 + 1], 0xC1);
  EXPECT_EQ(frame[55], 0x05);
  EXPECT_EQ(frame[56], 0xC3);
  EXPECT_EQ(frame[61], 0x00);

  rig.Write(rig.synth, kVersion);
  EXPECT_EQ(rig.Read(rig.synth, 65, &returned), Bytes(65, 0));
  EXPECT_EQ(returned, 0);
  rig.Read(rig.synth, 0, &returned);
  EXPECT_EQ(returned, 0);
  EXPECT_EQ(rig.sim.Synth().QueuedReplies, 1u);  // refused reads take nothing
}

TEST(SynthFrames, AnUnreadQueueKeepsOnlyItsLatestReplies) {
  Rig rig;
  for (int i = 0; i < 100; ++i) rig.Write(rig.synth, kVersion);
  EXPECT_EQ(rig.sim.Synth().QueuedReplies, ReplyQueue::kMaxMessages);
}

TEST(SalvoFrames, QueuedRepliesOnlyTheRestZero) {
  Rig rig;
  EXPECT_EQ(rig.Read(rig.salvo), Bytes(16, 0));
  rig.Write(rig.salvo, kVersion);
  rig.Write(rig.salvo, {0x03, 0x21, 0x00, 0x04});
  rig.Write(rig.salvo, kVersion);  // 7 + 6 + 7 > 16: waits
  EXPECT_EQ(rig.Read(rig.salvo),
            (Bytes{0x06, 0xC0, 0, 0, 0, 1, 4, 0x05, 0xC1, 0x01, 0x00, 0x01, 0x01, 0, 0, 0}));
  EXPECT_EQ(rig.Read(rig.salvo), (Bytes{0x06, 0xC0, 0, 0, 0, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace tarvos::sim::testing
