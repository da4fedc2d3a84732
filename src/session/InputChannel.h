#pragma once
// The input channel (identifier 16): carries the agent's mouse and keyboard actions to the
// customer's program. Repeated positions and auto-repeated keys are filtered out, the Windows keys
// and the left/right Shift and Control keys are never sent, and the six special keys send the
// keyboard state instead of a key.
//
// Threads: every operation runs on the main thread and writes on the connection directly; the
// connection thread only listens for code 2. The last-position and last-key fields are main-thread
// only, so no lock is taken.

#include <cstdint>

#include "session/ChannelComponent.h"
#include "session/MessageData.h"

namespace corvane::session {

// The state of the six special keys as of the input event being handled, supplied by the caller
// (the platform query belongs to the user interface).
struct TKeyboardState {
  bool Shift = false;       // held down
  bool Ctrl = false;        // held down
  bool Alt = false;         // held down
  bool NumLock = false;     // toggled on
  bool CapsLock = false;    // toggled on
  bool ScrollLock = false;  // toggled on
  TOLASpecialKeys ToSpecialKeys() const;
};

// Windows virtual-key codes the channel treats specially.
inline constexpr uint16_t VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_MENU = 0x12, VK_CAPITAL = 0x14,
                          VK_LWIN = 0x5B, VK_RWIN = 0x5C, VK_NUMLOCK = 0x90, VK_SCROLL = 0x91,
                          VK_LSHIFT = 0xA0, VK_RSHIFT = 0xA1, VK_LCONTROL = 0xA2, VK_RCONTROL = 0xA3,
                          VK_TAB = 0x09;

class TOLAServerSpeakingInputs : public TOLACustomServer {
public:
  using TOLACustomServer::TOLACustomServer;

  TOLAMessageCode ChannelId() const override { return mcChannelSpeakingInputs; }

  // x and y are pixels of the customer's screen.
  void MouseDown(TMouseButton button, int32_t x, int32_t y);
  void MouseUp(TMouseButton button, int32_t x, int32_t y);
  // Sent unless (x, y) is the last position sent.
  void MouseMove(int32_t x, int32_t y);
  // The pointer position is passed through unchanged; the delta is kept to 16 bits.
  void MouseWheel(int32_t wheelDelta, int32_t pointerX, int32_t pointerY);
  void KeyDown(uint16_t virtualKey, const TKeyboardState& state);
  void KeyUp(uint16_t virtualKey, const TKeyboardState& state);

private:
  void MouseButton(TMouseButton button, TOLAMouseButtonAction action, int32_t x, int32_t y);
  void Key(uint16_t virtualKey, TOLAKeyboardAction action, const TKeyboardState& state);

  int32_t lastX_ = 0;
  int32_t lastY_ = 0;
  uint16_t lastKey_ = 0;
  TOLAKeyboardAction lastKeyAction_ = kaDown;
};

class TOLAIdServerSpeakingInputs final : public TOLAServerSpeakingInputs {
public:
  TOLAIdServerSpeakingInputs(TComponent* owner, base::MainLoop& loop);

protected:
  TOLACustomIOHandler* CreateIOHandler() override;
};

}  // namespace corvane::session
