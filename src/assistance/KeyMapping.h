#pragma once
// The key events of the remote screen view turned into what the customer's Windows computer
// expects: the virtual-key code a Windows keyboard with the agent's layout gives for the key
// pressed, and the six keyboard-state bits (Shift, Ctrl, Alt held; Num Lock, Caps Lock, Scroll
// Lock on) as of that event.
//
// The event arrives as plain integers, so that this stays free of the toolkit: Qt's key code, the
// native scan code (an X11 keycode, the evdev code plus 8), the native virtual key (an X11 keysym)
// and Qt's modifier bits. The physical key decides, as on Windows: the digit row gives VK_0..VK_9
// on the French layout too, whatever character Shift makes; AZERTY's A key gives VK_A. Keypad keys
// follow the Num Lock state the platform applied (X11 gives KP_7 or KP_Home). When the native
// codes are missing (another platform, synthetic events), Qt's key code is looked up instead.
//
// Shift, Control and Alt give the generic codes a Windows window receives (VK_SHIFT, VK_CONTROL,
// VK_MENU), so the input channel sends the keyboard state for them; the Windows keys, which
// Windows tells apart, give VK_LWIN and VK_RWIN. AltGr is Ctrl+Alt on Windows: its key gives
// VK_MENU and, while it is held, both the Ctrl and Alt bits are set.
//
// Pure functions, any thread; KeyboardTracker belongs to the thread of the view (the main thread).

#include <cstdint>

#include "session/InputChannel.h"

namespace corvane::assistance {

// The agent's keyboard layout, whose Windows table gives the virtual-key codes.
enum class KeyboardLayout { Us, French };

// Qt's values (Qt::Key, Qt::KeyboardModifier) that the mapping needs, mirrored so that the core
// does not depend on Qt. They are Qt's documented enumeration values.
namespace qt {
inline constexpr uint32_t ShiftModifier = 0x02000000;
inline constexpr uint32_t ControlModifier = 0x04000000;
inline constexpr uint32_t AltModifier = 0x08000000;
inline constexpr uint32_t MetaModifier = 0x10000000;
inline constexpr uint32_t KeypadModifier = 0x20000000;
inline constexpr uint32_t GroupSwitchModifier = 0x40000000;

inline constexpr int Key_Escape = 0x01000000, Key_Tab = 0x01000001, Key_Backtab = 0x01000002,
                     Key_Backspace = 0x01000003, Key_Return = 0x01000004, Key_Enter = 0x01000005,
                     Key_Insert = 0x01000006, Key_Delete = 0x01000007, Key_Pause = 0x01000008,
                     Key_Print = 0x01000009, Key_Clear = 0x0100000b, Key_Home = 0x01000010,
                     Key_End = 0x01000011, Key_Left = 0x01000012, Key_Up = 0x01000013,
                     Key_Right = 0x01000014, Key_Down = 0x01000015, Key_PageUp = 0x01000016,
                     Key_PageDown = 0x01000017, Key_Shift = 0x01000020, Key_Control = 0x01000021,
                     Key_Meta = 0x01000022, Key_Alt = 0x01000023, Key_CapsLock = 0x01000024,
                     Key_NumLock = 0x01000025, Key_ScrollLock = 0x01000026, Key_F1 = 0x01000030,
                     Key_F24 = 0x01000047, Key_Super_L = 0x01000053, Key_Super_R = 0x01000054,
                     Key_Menu = 0x01000055, Key_AltGr = 0x01001103;
inline constexpr int Key_Space = 0x20, Key_Asterisk = 0x2a, Key_Plus = 0x2b, Key_Comma = 0x2c,
                     Key_Minus = 0x2d, Key_Period = 0x2e, Key_Slash = 0x2f, Key_0 = 0x30, Key_9 = 0x39,
                     Key_A = 0x41, Key_Z = 0x5a;
}  // namespace qt

// One key event of the view, as the toolkit reports it.
struct KeyEvent {
  int qtKey = 0;                  // Qt::Key value
  uint32_t nativeScanCode = 0;    // X11 keycode; 0 when unknown
  uint32_t nativeVirtualKey = 0;  // X11 keysym; 0 when unknown
  uint32_t modifiers = 0;         // Qt::KeyboardModifiers bits
  bool keypad = false;            // the key is on the numeric keypad
  bool press = true;              // press (true) or release
};

// The Windows virtual-key code of the key, or 0 when the key has none (it is then not sent).
uint16_t WindowsVirtualKey(const KeyEvent& event, KeyboardLayout layout);

// The layout whose letter sits on the key left of the upper letter row's second key: the keysym
// the platform gives, unshifted, for X11 keycode 24 ('a' on AZERTY, 'q' on QWERTY).
KeyboardLayout LayoutFromKeycode24(uint32_t keysym);

// What the key events alone do not tell: the toggle state of the three lock keys, taken from the
// keyboard's indicators when the platform tells them (at focus-in), otherwise kept from the lock
// keys pressed in the view; and whether AltGr is held (X11 reports it as a level shift, not as a
// modifier Windows knows).
class KeyboardTracker {
public:
  bool NumLock = false;
  bool CapsLock = false;
  bool ScrollLock = false;
  bool AltGr = false;

  // The keyboard's indicators (bit 0 Caps Lock, bit 1 Num Lock, bit 2 Scroll Lock, the standard
  // X11 indicator order).
  void SetFromIndicators(uint32_t indicatorBits);
  // A key event seen by the view, before its state is computed: a lock key's press flips its
  // toggle, as on Windows, where the toggle already shows the new state during its key-down.
  void Observe(const KeyEvent& event);
  // The view lost the focus: keys held now are released (the locks stay).
  void ReleaseHeld() { AltGr = false; }
};

// The six keyboard-state bits as of the event: Shift, Ctrl and Alt from the modifiers (a modifier
// key's own press counts as held, its release as released; AltGr holds Ctrl and Alt), the locks
// from the tracker.
session::TKeyboardState KeyboardStateOf(const KeyEvent& event, const KeyboardTracker& tracker);

}  // namespace corvane::assistance
