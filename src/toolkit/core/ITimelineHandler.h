#pragma once
// Animations register with their host window's timeline, which calls them
// every 10 ms while the window exists.
namespace kb::ui {

class ITimelineHandler {
 public:
  static constexpr int kTickMilliseconds = 10;
  virtual ~ITimelineHandler() = default;
  virtual void OnNextFrame() = 0;
};

}  // namespace kb::ui
