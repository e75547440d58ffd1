// The frames between the program and its adapter helper: exact bytes, every call read back
// as it was written, and bad frames refused rather than trusted.
#include "platform/adapter_frames.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace tarvos::platform {
namespace {

std::string Body(const std::string& frame) { return frame.substr(4); }

I2cTransfer SomeTransfer(uint16_t count) {
  I2cTransfer transfer{};
  transfer.TransType = 0;
  transfer.SlaveAddress = 0x9A;
  transfer.MemoryAddress = 0x1234;
  transfer.Count = count;
  for (std::size_t i = 0; i < sizeof(transfer.Data); ++i) {
    transfer.Data[i] = static_cast<uint8_t>(0xA0 + i);
  }
  return transfer;
}

TEST(AdapterFramesTest, ARequestIsItsLengthItsCallAndItsFieldsLittleEndian) {
  AdapterRequest request;
  request.Call = AdapterCall::WriteIoPorts;
  request.Handle = 0x01020304;
  request.Value = 0x00001E01;
  request.Mask = 0xFFFF0000;
  EXPECT_EQ(EncodeRequest(request), std::string("\x0D\x00\x00\x00"
                                                "\x06"
                                                "\x04\x03\x02\x01"
                                                "\x01\x1E\x00\x00"
                                                "\x00\x00\xFF\xFF",
                                                17));
  AdapterRequest open;
  open.Call = AdapterCall::OpenDeviceInstance;
  open.DeviceName = "UsbI2cIo";
  open.Instance = 3;
  EXPECT_EQ(EncodeRequest(open), std::string("\x0C\x00\x00\x00\x01\x03\x08\x00UsbI2cIo", 16));
}

TEST(AdapterFramesTest, EveryCallReadsBackAsItWasWritten) {
  AdapterRequest request;
  request.Call = AdapterCall::ReadI2c;
  request.Handle = -7;
  request.Transfer = SomeTransfer(16);
  const auto back = DecodeRequest(Body(EncodeRequest(request)));
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->Call, AdapterCall::ReadI2c);
  EXPECT_EQ(back->Handle, -7);
  EXPECT_EQ(std::memcmp(&back->Transfer, &request.Transfer, sizeof(I2cTransfer)), 0);

  AdapterReply serial;
  serial.Call = AdapterCall::GetSerialId;
  serial.Result = 1;
  serial.Serial.fill('9');  // a serial number that fills the buffer, unterminated
  const auto serial_back = DecodeReply(Body(EncodeReply(serial)), AdapterCall::GetSerialId);
  ASSERT_TRUE(serial_back.has_value());
  EXPECT_EQ(serial_back->Result, 1);
  EXPECT_EQ(serial_back->Serial, serial.Serial);

  AdapterReply hello;
  hello.Version = kAdapterProtocolVersion;
  hello.Bits = 32;
  const auto hello_back = DecodeReply(Body(EncodeReply(hello)), AdapterCall::Hello);
  ASSERT_TRUE(hello_back.has_value());
  EXPECT_EQ(hello_back->Version, kAdapterProtocolVersion);
  EXPECT_EQ(hello_back->Bits, 32);

  AdapterReply ports;
  ports.Call = AdapterCall::ReadIoPorts;
  ports.Result = 1;
  ports.Value = 0x000000FC;
  const auto ports_back = DecodeReply(Body(EncodeReply(ports)), AdapterCall::ReadIoPorts);
  ASSERT_TRUE(ports_back.has_value());
  EXPECT_EQ(ports_back->Value, 0x000000FCu);
}

TEST(AdapterFramesTest, BadRepliesAreRefused) {
  AdapterReply read;
  read.Call = AdapterCall::ReadI2c;
  read.Result = 16;
  read.Transfer = SomeTransfer(16);
  const std::string body = Body(EncodeReply(read));
  ASSERT_TRUE(DecodeReply(body, AdapterCall::ReadI2c).has_value());
  EXPECT_FALSE(DecodeReply(body, AdapterCall::WriteI2c).has_value());       // another call
  EXPECT_FALSE(DecodeReply(body.substr(0, body.size() - 1), AdapterCall::ReadI2c));  // short
  EXPECT_FALSE(DecodeReply(body + '\0', AdapterCall::ReadI2c));            // long
  read.Transfer.Count = 66;  // past the record's 65 data bytes
  EXPECT_FALSE(DecodeReply(Body(EncodeReply(read)), AdapterCall::ReadI2c));
  EXPECT_FALSE(DecodeReply("", AdapterCall::Hello));
  EXPECT_FALSE(DecodeRequest(std::string("\x09", 1)));  // no such call
  // A device name longer than its limit.
  EXPECT_FALSE(DecodeRequest(std::string("\x01\x00\x00\x01", 4) + std::string(256, 'x')));
}

// The helper's reason for not serving: its own mark, the text after it, cut to a frame.
TEST(AdapterFramesTest, ARefusalCarriesItsReasonWithinOneFrame) {
  const std::string frame = EncodeRefusal("Cannot load adapter library x.so: not found");
  EXPECT_EQ(frame.substr(0, 5), std::string("\x2C\x00\x00\x00\xFF", 5));
  EXPECT_EQ(DecodeRefusal(Body(frame)), "Cannot load adapter library x.so: not found");
  EXPECT_FALSE(DecodeReply(Body(frame), AdapterCall::Hello));
  EXPECT_FALSE(DecodeRefusal(Body(EncodeReply(AdapterReply{}))));
  FrameReader reader;
  reader.Append(EncodeRefusal(std::string(5000, 'x')));
  const auto body = reader.Next();
  ASSERT_TRUE(body);
  EXPECT_FALSE(reader.Broken());
  EXPECT_EQ(body->size(), kMostFrameBytes);
}

TEST(AdapterFramesTest, TheReaderHandsOutWholeBodiesAndBreaksOnAnOverlongLength) {
  AdapterRequest close;
  close.Call = AdapterCall::CloseDeviceInstance;
  close.Handle = 5;
  const std::string two = EncodeRequest(close) + EncodeRequest(close);
  FrameReader reader;
  reader.Append(two.substr(0, 3));
  EXPECT_FALSE(reader.Next());
  reader.Append(two.substr(3, 5));
  EXPECT_FALSE(reader.Next());  // 8 of the first frame's 9 bytes
  reader.Append(two.substr(8));
  auto first = reader.Next();
  auto second = reader.Next();
  ASSERT_TRUE(first && second);
  EXPECT_EQ(DecodeRequest(*first)->Handle, 5);
  EXPECT_EQ(*first, *second);
  EXPECT_FALSE(reader.Next());

  FrameReader broken;
  broken.Append(std::string("\x01\x04\x00\x00", 4));  // 1025 bytes: past the limit
  EXPECT_FALSE(broken.Next());
  EXPECT_TRUE(broken.Broken());
  broken.Append(EncodeRequest(close));
  EXPECT_FALSE(broken.Next());
}

}  // namespace
}  // namespace tarvos::platform
