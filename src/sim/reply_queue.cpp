#include "sim/reply_queue.h"

#include <algorithm>
#include <utility>

namespace tarvos::sim {

void ReplyQueue::Push(ReplyMessage message) {
  if (message.empty()) return;
  if (messages_.size() == kMaxMessages) messages_.pop_front();
  messages_.push_back(std::move(message));
}

PackedFrame ReplyQueue::PackInto(std::span<uint8_t> frame) {
  PackedFrame packed;
  while (!messages_.empty()) {
    const ReplyMessage& message = messages_.front();
    if (message.size() > frame.size() - packed.Used) break;
    std::copy(message.begin(), message.end(), frame.subspan(packed.Used).begin());
    packed.Used += message.size();
    packed.Types.push_back(message.size() > 1 ? message[1] : 0);
    messages_.pop_front();
  }
  return packed;
}

}  // namespace tarvos::sim
