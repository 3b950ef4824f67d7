// kbsim's wire protocol, both ends: the bytes are a stream as either peer
// may receive it. Frames are taken as the daemon takes them (a command's
// arguments are run on a fresh simulated machine), and decoded as a client
// decodes replies; a command's answer goes through the paging and back.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FuzzScratch.h"
#include "platform/linux/kbsim_protocol.h"
#include "sim/SimCommands.h"
#include "sim/SimMachine.h"

namespace {

using namespace kb::sim;

// What the daemon does with a command frame, short of "shutdown".
void ServeCommand(const Frame& frame) {
  WireReader r = frame.Reader();
  uint32_t argc = r.U32();
  std::vector<std::string> args;
  for (uint32_t i = 0; i < argc && r.Ok(); ++i) args.push_back(r.Str());
  if (!args.empty() && (args[0] == "shutdown" || args[0] == "daemon")) return;
  SimMachine machine;
  SimCommands commands(machine);
  CommandResult result = commands.Run(args);
  // The answer, paged and put together again as a client does.
  std::vector<uint8_t> stream;
  for (const std::vector<uint8_t>& part : EncodeCommandReply(frame.id, static_cast<uint32_t>(result.status), result.text))
    stream.insert(stream.end(), part.begin(), part.end());
  std::string text;
  Frame answer;
  for (int taken; (taken = TakeFrame(stream, &answer)) != 0;) {
    FUZZ_CHECK(taken > 0);
    FUZZ_CHECK(answer.id == frame.id);
    if (answer.type == MsgType::kReplyPart) {
      WireReader part = answer.Reader();
      std::vector<uint8_t> piece = part.Bytes();
      text.append(piece.begin(), piece.end());
      continue;
    }
    Reply reply = DecodeReply(answer);
    FUZZ_CHECK(reply.error == static_cast<uint32_t>(result.status));
    text.append(reply.data.begin(), reply.data.end());
  }
  FUZZ_CHECK(text == result.text);
}

// The fields of every other request and of replies and events, read as the
// two ends read them: a short frame leaves the reader failed, never reads on.
void DecodeFields(const Frame& frame) {
  WireReader r = frame.Reader();
  switch (frame.type) {
    case MsgType::kListInterfaces: r.Guid(); r.U8(); break;
    case MsgType::kOpen: r.Str(); r.U32(); r.U32(); break;
    case MsgType::kRead: r.U32(); r.U32(); break;
    case MsgType::kWrite: r.U32(); r.Bytes(); break;
    case MsgType::kIoctl: r.U32(); r.U32(); r.Bytes(); r.U32(); break;
    case MsgType::kEvent: r.U8(); r.Guid(); r.Str(); break;
    default: r.U32(); break;
  }
  Reply reply = DecodeReply(frame);
  FUZZ_CHECK(reply.data.size() <= frame.body.size());
  WireReader caps(reply.data.data(), reply.data.size());
  caps.U8();
  GetCaps(caps);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> stream(data, data + size);
  Frame frame;
  for (int frames = 0; frames < 64; ++frames) {
    size_t before = stream.size();
    int taken = TakeFrame(stream, &frame);
    if (taken <= 0) {
      FUZZ_CHECK(stream.size() == before);
      break;
    }
    FUZZ_CHECK(stream.size() < before);
    if (frame.type == MsgType::kCommand)
      ServeCommand(frame);
    else
      DecodeFields(frame);
  }
  return 0;
}
