#include <gtest/gtest.h>

#include "platform/linux/kbsim_protocol.h"

namespace kb::sim {
namespace {

TEST(SimProtocolTest, FramesRoundTripWhateverTheChunking) {
  HidCapsWire caps;
  caps.usage = 1;
  caps.usagePage = 0xFF00;
  caps.featureLength = 8;
  WireWriter writer(MsgType::kOpen, 77);
  writer.U8(3).U16(0xBEEF).U32(0xDEADBEEF).Str("\\\\?\\hid#x").Bytes(std::vector<uint8_t>{1, 2, 3});
  PutCaps(writer, caps);
  std::vector<uint8_t> frame = writer.Finish();
  std::vector<uint8_t> two = frame;
  two.insert(two.end(), frame.begin(), frame.end());
  for (size_t chunk : {1, 3, 7, 1000}) {
    std::vector<uint8_t> buffer;
    int frames = 0;
    for (size_t pos = 0; pos < two.size(); pos += chunk) {
      buffer.insert(buffer.end(), two.begin() + pos, two.begin() + std::min(two.size(), pos + chunk));
      Frame f;
      while (TakeFrame(buffer, &f) == 1) {
        ++frames;
        EXPECT_EQ(f.type, MsgType::kOpen);
        EXPECT_EQ(f.id, 77u);
        WireReader r = f.Reader();
        EXPECT_EQ(r.U8(), 3);
        EXPECT_EQ(r.U16(), 0xBEEF);
        EXPECT_EQ(r.U32(), 0xDEADBEEFu);
        EXPECT_EQ(r.Str(), "\\\\?\\hid#x");
        EXPECT_EQ(r.Bytes(), (std::vector<uint8_t>{1, 2, 3}));
        HidCapsWire back = GetCaps(r);
        EXPECT_TRUE(r.Ok());
        EXPECT_EQ(back.usagePage, 0xFF00);
        EXPECT_EQ(back.featureLength, 8);
      }
    }
    EXPECT_EQ(frames, 2) << "chunk " << chunk;
    EXPECT_TRUE(buffer.empty());
  }
}

TEST(SimProtocolTest, BrokenStreamsAreRecognised) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    int expected;
  } cases[] = {
      {"length below the header", {2, 0, 0, 0, 1, 0}, -1},
      {"length beyond the limit", {0, 0, 0x20, 0, 1, 0}, -1},
      {"incomplete frame", {8, 0, 0, 0, 1, 0, 0, 0}, 0},
      {"no length yet", {8, 0}, 0},
  };
  for (Case& c : cases) {
    Frame f;
    EXPECT_EQ(TakeFrame(c.bytes, &f), c.expected) << c.name;
  }
}

TEST(SimProtocolTest, ShortPayloadFailsTheReaderAndYieldsZeros) {
  std::vector<uint8_t> bytes = {1, 2, 3};
  WireReader r(bytes.data(), bytes.size());
  EXPECT_EQ(r.U16(), 0x0201);
  EXPECT_EQ(r.U32(), 0u);
  EXPECT_FALSE(r.Ok());
  EXPECT_EQ(r.U8(), 0);
  std::vector<uint8_t> lying = {0xFF, 0xFF, 0, 0, 1};  // a byte string claiming 65535 bytes
  WireReader s(lying.data(), lying.size());
  EXPECT_TRUE(s.Bytes().empty());
  EXPECT_FALSE(s.Ok());
}

}  // namespace
}  // namespace kb::sim
