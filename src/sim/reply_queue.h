#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

namespace tarvos::sim {

// One reply message: [L, type, L-1 further bytes].
using ReplyMessage = std::vector<uint8_t>;

struct PackedFrame {
  std::size_t Used = 0;        // bytes of the frame taken by messages
  std::vector<uint8_t> Types;  // type of each message packed, in order
};

// The replies a unit has queued for the next reads.
class ReplyQueue {
 public:
  // A unit nobody reads keeps only its latest replies.
  static constexpr std::size_t kMaxMessages = 64;

  void Push(ReplyMessage message);
  void Clear() { messages_.clear(); }
  std::size_t Size() const { return messages_.size(); }

  // Moves queued messages, in order, to the start of the frame while each whole one fits;
  // the first that does not fit and all after it wait for the next read. The rest of the
  // frame is left as it was.
  PackedFrame PackInto(std::span<uint8_t> frame);

 private:
  std::deque<ReplyMessage> messages_;
};

}  // namespace tarvos::sim
