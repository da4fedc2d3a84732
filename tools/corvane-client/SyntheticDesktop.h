#pragma once
// The customer's screen as this program shows it: an in-memory desktop picture that changes over
// time (a clock and a bouncing square) and keeps a visible trace of what the agent does (a marker
// at each click, the typed text, the last chat and clipboard texts, the pointer position), so
// that remote control can be seen working from the agent's console.
//
// Threads: inputs arrive on the input channel's worker, texts and the animation tick on the main
// thread, and the screen channel's worker renders and waits for changes. mutex_ guards the whole
// state; every change raises the version and wakes WaitForChange.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

#include "session/Geometry.h"
#include "session/Image.h"
#include "session/MessageData.h"

namespace corvane::client {

class SyntheticDesktop {
public:
  // Side of the bouncing square, and its step per animation tick.
  static constexpr int kSquareSide = 48;
  static constexpr int kSquareStepX = 6;
  static constexpr int kSquareStepY = 4;
  static constexpr int kTitleHeight = 20;
  static constexpr int kPanelHeight = 48;

  // Colours of the click markers, by button.
  static constexpr uint32_t kLeftClickColour = 0xFFFF0000u;
  static constexpr uint32_t kRightClickColour = 0xFFFFFF00u;
  static constexpr uint32_t kMiddleClickColour = 0xFF00FF00u;

  SyntheticDesktop(int width, int height, std::string owner);

  int Width() const { return width_; }
  int Height() const { return height_; }

  // --- the agent's input (input worker) ---
  void Click(int x, int y, session::TMouseButton button);
  void Pointer(int x, int y);
  // Applies a key press to the typed text; returns how the key reads ("'a'", "Enter", "F5" ...).
  std::string Key(uint16_t virtualKey, session::TOLASpecialKeys state);
  void Wheel(int delta);

  // --- texts (any thread) ---
  void ShowChat(const std::string& text);
  void ShowClipboard(const std::string& text);
  void SetIdentifier(const std::string& identifier);

  // --- time (main thread): the animation step and the clock text ---
  void Tick(uint64_t step, const std::string& clock);

  // --- rendering (screen worker) ---
  struct Scene {
    session::TRect square;
    uint64_t version = 0;
  };
  Scene Render(session::Image& out) const;
  uint64_t Version() const;
  // Waits until the version differs from seen, Stop is called, or timeoutMs passed (real time).
  void WaitForChange(uint64_t seen, int timeoutMs) const;
  // Wakes every waiter for good (the session is ending).
  void Stop();

  // For tests and progress lines.
  std::string TypedText() const;
  size_t Clicks() const;
  session::TRect SquareAt(uint64_t step) const;

private:
  struct Mark {
    int x, y;
    uint32_t colour;
  };
  void Changed();  // with mutex_ held

  const int width_, height_;
  const std::string owner_;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  uint64_t version_ = 1;
  bool stopped_ = false;
  std::deque<Mark> marks_;
  size_t clicks_ = 0;
  int pointerX_ = 0, pointerY_ = 0;
  int wheel_ = 0;
  std::string typed_;
  std::string chat_;
  std::string clipboard_;
  std::string identifier_;
  uint64_t step_ = 0;
  std::string clock_;
};

// The cursor picture sent to the agent: an arrow with its hot spot at its top-left pixel.
session::Image ArrowCursor();

}  // namespace corvane::client
