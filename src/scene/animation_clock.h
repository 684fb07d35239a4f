#pragma once
// One of the frame's two animation clocks: it fires in the first frame more
// than its threshold of milliseconds after it last fired.

#include <cstdint>
#include <functional>

namespace nivarra {

class AnimationClock {
 public:
  // readTick is asked once for the test and once more, on firing, for the
  // time to remember. The elapsed time is the unsigned 32-bit difference,
  // so the tick count wrapping round does not stall the clock, and it is
  // compared as a signed 64-bit number: a negative threshold always fires.
  bool Check(const std::function<std::uint32_t()>& readTick, std::int32_t threshold) {
    const std::uint32_t elapsed = readTick() - last_;
    if (static_cast<std::int64_t>(elapsed) <= static_cast<std::int64_t>(threshold)) return false;
    last_ = readTick();
    return true;
  }
  std::uint32_t LastTick() const { return last_; }

 private:
  std::uint32_t last_ = 0;
};

// The fast clock's threshold: the slow interval divided by three,
// truncated towards zero (1000 gives 333).
constexpr std::int32_t SpriteThreshold(std::int32_t animationInterval) { return animationInterval / 3; }

}  // namespace nivarra
