#include "link/adapter_access.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/fake_adapters.h"

namespace tarvos::link {
namespace {

using platform::MessageKind;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::kSalvoHandle;
using testing::kSynthHandle;
using testing::LinkBench;

// Replaces the command set as the access's handler, to see the division itself.
struct RecordingHandler final : ReplyHandler {
  struct Seen {
    bool Salvo = false;
    std::vector<uint8_t> Bytes;  // what the view holds
  };
  void SynthMessage(const ReplyMessage& message) override { Record(false, message); }
  void SalvoMessage(const ReplyMessage& message) override { Record(true, message); }
  void Record(bool salvo, const ReplyMessage& message) {
    Seen seen{salvo, {}};
    for (std::size_t i = 0; i < message.Available(); ++i) seen.Bytes.push_back(message.Byte(i));
    Messages.push_back(seen);
    if (during) during(message);
  }
  std::vector<uint8_t> Types() const {
    std::vector<uint8_t> types;
    for (const auto& seen : Messages) types.push_back(seen.Bytes.size() > 1 ? seen.Bytes[1] : 0);
    return types;
  }
  std::vector<Seen> Messages;
  std::function<void(const ReplyMessage&)> during;
};

class AdapterAccessTest : public ::testing::Test {
 protected:
  void UseRecordingHandler() { bench.access.SetReplyHandler(&handler); }

  LinkBench bench;
  RecordingHandler handler;
};

TEST_F(AdapterAccessTest, SendSynthWritesLogsAndWaits) {
  EXPECT_TRUE(bench.access.SendSynth("03,20,00,04"));
  EXPECT_TRUE(bench.access.SendSynth("03,22,00,04"));
  ASSERT_EQ(bench.adapters.Writes.size(), 2u);
  const auto& transfer = bench.adapters.Writes[0].Transfer;
  EXPECT_EQ(bench.adapters.Writes[0].Handle, kSynthHandle);
  EXPECT_EQ(transfer.TransType, 0);
  EXPECT_EQ(transfer.SlaveAddress, 0x9A);
  EXPECT_EQ(transfer.MemoryAddress, 0);
  EXPECT_EQ(bench.SynthTexts(), (std::vector<std::string>{"03,20,00,04", "03,22,00,04"}));
  EXPECT_THAT(bench.screen.diagnostics.messages, ElementsAre("03,22,00,04", "03,20,00,04"));
  EXPECT_EQ(bench.screen.diagnostics.tx_string, "03,22,00,04");
  EXPECT_EQ(bench.loop.ElapsedMs(), 330u);
  EXPECT_THAT(bench.op.History(), IsEmpty());
}

TEST_F(AdapterAccessTest, TheDiagnosticsListKeepsTheNewestCommands) {
  for (std::size_t i = 0; i <= kDiagnosticsLines; ++i) bench.access.SendSynth("03,20,00,04");
  bench.access.SendSynth("03,22,00,04");
  ASSERT_EQ(bench.screen.diagnostics.messages.size(), kDiagnosticsLines);
  EXPECT_EQ(bench.screen.diagnostics.messages.front(), "03,22,00,04");
}

TEST_F(AdapterAccessTest, RefusedTextIsNeitherSentNorLoggedAndSaysWhy) {
  EXPECT_FALSE(bench.access.SendSynth("03,ZZ,04"));
  EXPECT_FALSE(bench.access.LastError().empty());
  EXPECT_FALSE(bench.access.SendSalvo("03,ZZ,04"));
  EXPECT_THAT(bench.adapters.Writes, IsEmpty());
  EXPECT_THAT(bench.screen.diagnostics.messages, IsEmpty());
  EXPECT_EQ(bench.loop.ElapsedMs(), 0u);
  EXPECT_TRUE(bench.access.SendSynth("03,20,00,04"));
  EXPECT_TRUE(bench.access.LastError().empty());
}

TEST_F(AdapterAccessTest, ShortWritesAreFaultsOfTheUnitWrittenTo) {
  bench.AddSalvo();
  bench.link.LastAmplifierSelection = kAmplifier1;
  bench.adapters.WriteShortfall = 1;
  EXPECT_FALSE(bench.access.SendSynth("03,20,00,04"));
  EXPECT_FALSE(bench.access.SendSalvo("03,21,00,04"));
  EXPECT_THAT(bench.op.TextsOf(MessageKind::Warning),
              ElementsAre("Tarvos Fault : I2C Write Error. #1", "Salvo Fault : I2C Write Error."));
  EXPECT_TRUE(bench.link.FaultLatched);
  EXPECT_EQ(bench.link.LastAmplifierSelection, kNoSelection);
  EXPECT_EQ(bench.link.FaultCount, 2);      // Salvo faults are not counted
  EXPECT_EQ(bench.loop.ElapsedMs(), 165u);  // the Salvo unit gets no wait
}

TEST_F(AdapterAccessTest, HandleZeroIsNoDeviceAndNoFault) {
  bench.link.SynthHandle = 0;
  bench.link.SalvoPresent = true;  // found, though its handle is gone
  EXPECT_FALSE(bench.access.SendSynth("03,20,00,04"));
  EXPECT_FALSE(bench.access.SendSalvo("03,20,00,04"));
  bench.adapters.QueueFrame(0, {0x03, 0xC4, 0x20, 0x04});
  bench.access.ReadSynthReplies();
  bench.access.ReadSalvoReplies();
  EXPECT_FALSE(bench.access.SetOutputBit(kRange1));
  EXPECT_TRUE(bench.Line(kRange1));
  EXPECT_FALSE(bench.link.OutputLineState[kRange1]);
  EXPECT_THAT(bench.adapters.Writes, IsEmpty());
  EXPECT_THAT(bench.adapters.Reads, IsEmpty());
  EXPECT_THAT(bench.adapters.PortWrites, IsEmpty());
  EXPECT_THAT(bench.op.History(), IsEmpty());
  EXPECT_FALSE(bench.link.FaultLatched);
  EXPECT_EQ(bench.loop.ElapsedMs(), 0u);

  bench.AddSalvo();  // while the engineering window reads, the program's reads do nothing
  bench.link.SynthHandle = kSynthHandle;
  bench.link.ReadsSuppressed = true;
  bench.access.ReadSynthReplies();
  bench.access.ReadSalvoReplies();
  EXPECT_THAT(bench.adapters.Reads, IsEmpty());
}

TEST_F(AdapterAccessTest, OutputLinesWriteTheWholeImage) {
  EXPECT_TRUE(bench.access.SetOutputBit(kRange0));
  EXPECT_TRUE(bench.access.SetOutputBit(kEutPrompt));
  EXPECT_TRUE(bench.access.ClearOutputBit(kRange0));
  ASSERT_EQ(bench.adapters.PortWrites.size(), 3u);
  EXPECT_EQ(bench.adapters.PortWrites[1].Value, 0x1200u);
  EXPECT_EQ(bench.adapters.PortWrites[2].Value, 0x1000u);
  EXPECT_EQ(bench.adapters.PortWrites[2].Mask, 0xFFFFFFFFu);
  EXPECT_EQ(bench.adapters.PortWrites[2].Handle, kSynthHandle);
  EXPECT_FALSE(bench.link.OutputLineState[kRange0]);
  EXPECT_TRUE(bench.link.OutputLineState[kEutPrompt]);

  EXPECT_FALSE(bench.access.SetOutputBit(20));
  EXPECT_FALSE(bench.access.ClearOutputBit(-1));
  EXPECT_EQ(bench.adapters.PortWrites.size(), 3u);
  EXPECT_EQ(bench.link.OutputImage, 0x1000u);
}

TEST_F(AdapterAccessTest, FailedPortWriteKeepsTheLineStateButNotTheImage) {
  bench.adapters.PortWritesFail = true;
  EXPECT_FALSE(bench.access.SetOutputBit(kModulation1k));
  EXPECT_TRUE(bench.Line(kModulation1k));
  EXPECT_FALSE(bench.link.OutputLineState[kModulation1k]);
  EXPECT_THAT(bench.op.TextsOf(MessageKind::Warning),
              ElementsAre("Tarvos Fault : Write Error. #1"));
}

TEST_F(AdapterAccessTest, TwoSynthesiserFaultsAreShownAndTheThirdMarksItAbsent) {
  bench.access.ReportFault(FaultCode::I2cWriteError, Unit::Synthesiser);
  bench.access.ReportFault(FaultCode::WriteError, Unit::Synthesiser);
  EXPECT_TRUE(bench.link.SynthPresent);
  bench.access.ReportFault(FaultCode::I2cWriteError, Unit::Synthesiser);
  EXPECT_THAT(bench.op.TextsOf(MessageKind::Warning),
              ElementsAre("Tarvos Fault : I2C Write Error. #1", "Tarvos Fault : Write Error. #2"));
  EXPECT_FALSE(bench.link.SynthPresent);
  EXPECT_EQ(bench.events.ControlsChangedCount, 3);
  EXPECT_EQ(bench.screen.lamps.hardware, screen::LampColour::Red);
  EXPECT_TRUE(bench.link.FaultLatched);

  for (int i = 0; i < 300; ++i) bench.access.ReportFault(FaultCode::WriteError, Unit::Synthesiser);
  EXPECT_EQ(bench.link.FaultCount, 255);
  EXPECT_EQ(bench.op.History().size(), 2u);
}

TEST_F(AdapterAccessTest, FaultStateIsSettledBeforeTheBoxOpens) {
  bool latched_while_open = false;
  int controls_while_open = 0;
  bench.op.SetWhileOpen([&](const auto&) {
    latched_while_open = bench.link.FaultLatched;
    controls_while_open = bench.events.ControlsChangedCount;
  });
  bench.access.ReportFault(FaultCode::SalvoManualMode, Unit::Salvo);
  EXPECT_THAT(bench.op.Texts(), ElementsAre("Salvo Fault : Salvo Set to Manual Mode."));
  EXPECT_TRUE(latched_while_open);
  EXPECT_EQ(controls_while_open, 1);
}

TEST_F(AdapterAccessTest, SynthesiserFrameIsDividedByLengthInOrder) {
  UseRecordingHandler();
  std::vector<uint8_t> frame = {0x0A, 0xC1, 0,    0,    0,    0x01,
                                0x23, 0,    0,    0x04, 0x56,  // C1, L = 10
                                0x03, 0xC4, 0x25, 0x04};       // C4 at 11
  bench.adapters.QueueFrame(kSynthHandle, frame);
  bench.access.ReadSynthReplies();
  EXPECT_THAT(handler.Types(), ElementsAre(0xC1, 0xC4));
  EXPECT_EQ(handler.Messages[1].Bytes.size(), 5u);
  EXPECT_EQ(handler.Messages[1].Bytes[2], 0x25);
  EXPECT_THAT(bench.adapters.ReadCounts, ElementsAre(16));
  EXPECT_EQ(bench.loop.ElapsedMs(), 110u);  // the 1-tick wait before the read
}

TEST_F(AdapterAccessTest, ShortOrLongReadsRunNothing) {
  UseRecordingHandler();
  bench.adapters.QueueRead(kSynthHandle, {0x03, 0xC4, 0x25, 0x04}, 15);
  bench.adapters.QueueRead(kSynthHandle, {0x03, 0xC4, 0x25, 0x04}, 17);
  bench.access.ReadSynthReplies();
  bench.access.ReadSynthReplies();
  EXPECT_THAT(handler.Messages, IsEmpty());
  EXPECT_THAT(bench.op.History(), IsEmpty());
  EXPECT_EQ(bench.adapters.Reads.size(), 2u);
}

TEST_F(AdapterAccessTest, ZeroLengthAdvancesOneByteAndFieldsPastTheFrameReadZero) {
  UseRecordingHandler();
  bench.adapters.QueueFrame(kSynthHandle, {0x00, 0x00, 0x03, 0xC4, 0x07, 0x04});
  bench.access.ReadSynthReplies();
  ASSERT_THAT(handler.Types(), ElementsAre(0xC4));
  EXPECT_EQ(handler.Messages[0].Bytes[2], 0x07);

  handler.Messages.clear();
  std::vector<uint8_t> frame(16, 0);
  frame[12] = 0x0A;  // a C1 whose readings lie past the end of the frame
  frame[13] = 0xC1;
  frame[14] = 0x77;
  frame[15] = 0x77;
  bench.adapters.QueueFrame(kSynthHandle, frame);
  uint16_t probe = 0xFFFF;
  handler.during = [&](const ReplyMessage& message) { probe = message.Word(9); };
  bench.access.ReadSynthReplies();
  ASSERT_THAT(handler.Types(), ElementsAre(0xC1));
  EXPECT_EQ(handler.Messages[0].Bytes.size(), 4u);
  EXPECT_EQ(probe, 0);
}

TEST_F(AdapterAccessTest, ReadInsideAHandlerLeavesTheOuterFrameWhole) {
  UseRecordingHandler();
  bench.adapters.QueueFrame(kSynthHandle, {0x03, 0xC3, 0x00, 0x04, 0x03, 0xC4, 0x11, 0x04});
  bench.adapters.QueueFrame(kSynthHandle, {0x03, 0xC0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  bool nested = false;
  handler.during = [&](const ReplyMessage&) {
    if (nested) return;
    nested = true;
    bench.access.ReadSynthReplies();  // as a status poll inside a pumping wait would
  };
  bench.access.ReadSynthReplies();
  EXPECT_THAT(handler.Types(), ElementsAre(0xC3, 0xC0, 0xC4));
}

TEST_F(AdapterAccessTest, SalvoScanExaminesEachReceivedByteOnce) {
  bench.AddSalvo();
  UseRecordingHandler();
  // Every position whose next byte is a type is a message start, whatever the lengths say.
  bench.adapters.QueueFrame(kSalvoHandle, {0x55, 0x55, 0x07, 0xC0, 0x00, 0x05, 0xC1, 0x01, 0x00,
                                           0x01, 0x02, 0x03, 0xC4, 0x20});
  bench.adapters.QueueFrame(kSalvoHandle, {});
  bench.access.ReadSalvoReplies();
  bench.access.ReadSalvoReplies();
  EXPECT_THAT(handler.Types(), ElementsAre(0xC0, 0xC1));
  EXPECT_EQ(handler.Messages[0].Bytes.size(), 14u);  // from position 2 to the end of the data
  EXPECT_EQ(bench.link.SalvoStore.WritePos, 32);
  EXPECT_EQ(bench.link.SalvoStore.ScanPos, 32);
  EXPECT_THAT(bench.adapters.Reads, ElementsAre(kSalvoHandle, kSalvoHandle));
}

TEST_F(AdapterAccessTest, FullSalvoStoreStartsAgainAtItsBeginning) {
  bench.AddSalvo();
  UseRecordingHandler();
  for (int i = 0; i < 250; ++i) {
    bench.adapters.QueueFrame(kSalvoHandle, std::vector<uint8_t>(16, 0x55));
    bench.access.ReadSalvoReplies();
  }
  EXPECT_EQ(bench.link.SalvoStore.WritePos, 4000);
  EXPECT_EQ(bench.link.SalvoStore.ScanPos, 4000);
  EXPECT_THAT(handler.Messages, IsEmpty());

  // The 251st: a version message at its start, and one at its last bytes whose fields
  // would lie on old data of the store.
  std::vector<uint8_t> frame(16, 0x55);
  frame[0] = 0x07;
  frame[1] = 0xC0;
  frame[14] = 0x07;
  frame[15] = 0xC0;
  bench.adapters.QueueFrame(kSalvoHandle, frame);
  bench.access.ReadSalvoReplies();
  EXPECT_EQ(bench.link.SalvoStore.WritePos, 16);
  EXPECT_EQ(bench.link.SalvoStore.ScanPos, 16);
  ASSERT_THAT(handler.Types(), ElementsAre(0xC0, 0xC0));
  EXPECT_EQ(handler.Messages[0].Bytes.size(), 16u);
  EXPECT_EQ(handler.Messages[1].Bytes.size(), 2u);
}

TEST_F(AdapterAccessTest, SerialNumberStopsAtTheLimitOrTheTerminator) {
  bench.adapters.Serial = std::string(129, 'S');  // no terminator at all
  EXPECT_EQ(bench.access.ReadSerialNumber(kSynthHandle, kStartUpSerialChars), std::string(21, 'S'));
  EXPECT_EQ(bench.access.ReadSerialNumber(kSynthHandle, kEnumerationSerialChars),
            std::string(128, 'S'));
  EXPECT_EQ(bench.access.ReadSerialNumber(kSynthHandle, 1000), std::string(129, 'S'));

  bench.adapters.Serial = "AB12";
  EXPECT_EQ(bench.access.ReadSerialNumber(kSynthHandle, kStartUpSerialChars), "AB12");

  bench.adapters.SerialFails = true;
  EXPECT_EQ(bench.access.ReadSerialNumber(kSynthHandle, kStartUpSerialChars), std::nullopt);
  const int calls = bench.adapters.SerialCalls;
  EXPECT_EQ(bench.access.ReadSerialNumber(0, kStartUpSerialChars), std::nullopt);
  EXPECT_EQ(bench.adapters.SerialCalls, calls);
}

}  // namespace
}  // namespace tarvos::link
