#include "session/InputChannel.h"

namespace corvane::session {

namespace {

bool NeverSent(uint16_t key) {
  return key == VK_LWIN || key == VK_RWIN || (key >= VK_LSHIFT && key <= VK_RCONTROL);
}

bool IsSpecialKey(uint16_t key) {
  return key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU || key == VK_NUMLOCK ||
         key == VK_CAPITAL || key == VK_SCROLL;
}

}  // namespace

TOLASpecialKeys TKeyboardState::ToSpecialKeys() const {
  TOLASpecialKeys keys = 0;
  if (Shift) keys |= SpecialKeyBit(ksShift);
  if (Ctrl) keys |= SpecialKeyBit(ksCtrl);
  if (Alt) keys |= SpecialKeyBit(ksAlt);
  if (NumLock) keys |= SpecialKeyBit(ksVerNum);
  if (CapsLock) keys |= SpecialKeyBit(ksCapsLock);
  if (ScrollLock) keys |= SpecialKeyBit(ksScrollLock);
  return keys;
}

void TOLAServerSpeakingInputs::MouseButton(TMouseButton button, TOLAMouseButtonAction action,
                                           int32_t x, int32_t y) {
  TOLAMouseButtonMessageData record;
  record.Left = static_cast<int16_t>(x);
  record.Top = static_cast<int16_t>(y);
  record.Button = button;
  record.Action = action;
  WriteMessageCode(mcMouseButton);
  WriteComponent(record);
  lastX_ = x;
  lastY_ = y;
}

void TOLAServerSpeakingInputs::MouseDown(TMouseButton button, int32_t x, int32_t y) {
  MouseButton(button, maDown, x, y);
}

void TOLAServerSpeakingInputs::MouseUp(TMouseButton button, int32_t x, int32_t y) {
  MouseButton(button, maUp, x, y);
}

void TOLAServerSpeakingInputs::MouseMove(int32_t x, int32_t y) {
  if (x == lastX_ && y == lastY_) return;
  TOLAMouseMoveMessageData record;
  record.Left = static_cast<int16_t>(x);
  record.Top = static_cast<int16_t>(y);
  WriteMessageCode(mcMouseMove);
  WriteComponent(record);
  lastX_ = x;
  lastY_ = y;
}

void TOLAServerSpeakingInputs::MouseWheel(int32_t wheelDelta, int32_t pointerX, int32_t pointerY) {
  TOLAMouseWheelMessageData record;
  record.Left = static_cast<int16_t>(pointerX);
  record.Top = static_cast<int16_t>(pointerY);
  record.WheelData = static_cast<int16_t>(wheelDelta);
  WriteMessageCode(mcMouseWheel);
  WriteComponent(record);
}

void TOLAServerSpeakingInputs::KeyDown(uint16_t virtualKey, const TKeyboardState& state) {
  Key(virtualKey, kaDown, state);
}

void TOLAServerSpeakingInputs::KeyUp(uint16_t virtualKey, const TKeyboardState& state) {
  Key(virtualKey, kaUp, state);
}

void TOLAServerSpeakingInputs::Key(uint16_t virtualKey, TOLAKeyboardAction action,
                                   const TKeyboardState& state) {
  if (virtualKey == lastKey_ && action == lastKeyAction_) return;  // auto-repeat of a held key
  if (NeverSent(virtualKey)) return;
  if (IsSpecialKey(virtualKey)) {
    // The state goes out instead; the last key stays, so repeats are sent again.
    TOLAKeyboardStateMessageData record;
    record.KeybState = state.ToSpecialKeys();
    WriteMessageCode(mcKeyboardState);
    WriteComponent(record);
    return;
  }
  lastKey_ = virtualKey;
  lastKeyAction_ = action;
  TOLAKeyboardMessageData record;
  record.KeybState = state.ToSpecialKeys();
  record.VirtualKey = virtualKey;
  record.Action = action;
  WriteMessageCode(mcKey);
  WriteComponent(record);
}

TOLAIdServerSpeakingInputs::TOLAIdServerSpeakingInputs(TComponent* owner, base::MainLoop& loop)
    : TOLAServerSpeakingInputs(owner, loop) {
  InitIOHandler();
}

TOLACustomIOHandler* TOLAIdServerSpeakingInputs::CreateIOHandler() {
  return new TOLAIdServerIOHandler(this);
}

}  // namespace corvane::session
