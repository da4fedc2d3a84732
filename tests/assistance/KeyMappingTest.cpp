#include <gtest/gtest.h>

#include <string>

#include "assistance/KeyMapping.h"

using namespace corvane::assistance;

namespace {

// An X11 key event: keycode, keysym, Qt's key code, Qt's modifiers.
KeyEvent X(uint32_t keycode, uint32_t keysym, int qtKey, uint32_t modifiers = 0, bool press = true) {
  KeyEvent e;
  e.nativeScanCode = keycode;
  e.nativeVirtualKey = keysym;
  e.qtKey = qtKey;
  e.modifiers = modifiers;
  e.keypad = (modifiers & qt::KeypadModifier) != 0;
  e.press = press;
  return e;
}
// An event without native codes (another platform, a synthetic event).
KeyEvent Q(int qtKey, uint32_t modifiers = 0) { return X(0, 0, qtKey, modifiers); }

constexpr uint32_t kShift = qt::ShiftModifier, kKeypad = qt::KeypadModifier;

struct Case {
  const char* what;
  KeyEvent event;
  uint16_t vk;
};

void Check(KeyboardLayout layout, std::initializer_list<Case> cases) {
  for (const Case& c : cases) EXPECT_EQ(WindowsVirtualKey(c.event, layout), c.vk) << c.what;
}

// Keys that no layout changes.
const std::initializer_list<Case> kCommonCases = {
    {"Escape", X(9, 0xFF1B, qt::Key_Escape), 0x1B},
    {"Backspace", X(22, 0xFF08, qt::Key_Backspace), 0x08},
    {"Tab", X(23, 0xFF09, qt::Key_Tab), 0x09},
    {"Shift+Tab", X(23, 0xFE20, qt::Key_Backtab, kShift), 0x09},
    {"Return", X(36, 0xFF0D, qt::Key_Return), 0x0D},
    {"Space", X(65, ' ', qt::Key_Space), 0x20},
    {"left Shift", X(50, 0xFFE1, qt::Key_Shift), 0x10},
    {"right Shift", X(62, 0xFFE2, qt::Key_Shift), 0x10},
    {"left Control", X(37, 0xFFE3, qt::Key_Control), 0x11},
    {"right Control", X(105, 0xFFE4, qt::Key_Control), 0x11},
    {"left Alt", X(64, 0xFFE9, qt::Key_Alt), 0x12},
    {"left Windows", X(133, 0xFFEB, qt::Key_Super_L), 0x5B},
    {"right Windows", X(134, 0xFFEC, qt::Key_Super_R), 0x5C},
    {"Menu", X(135, 0xFF67, qt::Key_Menu), 0x5D},
    {"Caps Lock", X(66, 0xFFE5, qt::Key_CapsLock), 0x14},
    {"Num Lock", X(77, 0xFF7F, qt::Key_NumLock, kKeypad), 0x90},
    {"Scroll Lock", X(78, 0xFF14, qt::Key_ScrollLock), 0x91},
    {"Print", X(107, 0xFF61, qt::Key_Print), 0x2C},
    {"Pause", X(127, 0xFF13, qt::Key_Pause), 0x13},
    {"F1", X(67, 0xFFBE, qt::Key_F1), 0x70},
    {"F10", X(76, 0xFFC7, qt::Key_F1 + 9), 0x79},
    {"F11", X(95, 0xFFC8, qt::Key_F1 + 10), 0x7A},
    {"F12", X(96, 0xFFC9, qt::Key_F1 + 11), 0x7B},
    {"Home", X(110, 0xFF50, qt::Key_Home), 0x24},
    {"Up", X(111, 0xFF52, qt::Key_Up), 0x26},
    {"Page Up", X(112, 0xFF55, qt::Key_PageUp), 0x21},
    {"Left", X(113, 0xFF51, qt::Key_Left), 0x25},
    {"Right", X(114, 0xFF53, qt::Key_Right), 0x27},
    {"End", X(115, 0xFF57, qt::Key_End), 0x23},
    {"Down", X(116, 0xFF54, qt::Key_Down), 0x28},
    {"Page Down", X(117, 0xFF56, qt::Key_PageDown), 0x22},
    {"Insert", X(118, 0xFF63, qt::Key_Insert), 0x2D},
    {"Delete", X(119, 0xFFFF, qt::Key_Delete), 0x2E},
    // The numeric keypad with Num Lock on: X11 gives KP_0..KP_9, Qt digits with the keypad flag.
    {"keypad 7, Num Lock on", X(79, 0xFFB7, '7', kKeypad), 0x67},
    {"keypad 0, Num Lock on", X(90, 0xFFB0, '0', kKeypad), 0x60},
    {"keypad 5, Num Lock on", X(84, 0xFFB5, '5', kKeypad), 0x65},
    {"keypad decimal, Num Lock on", X(91, 0xFFAE, qt::Key_Period, kKeypad), 0x6E},
    // ... and off: the navigation keys.
    {"keypad 7, Num Lock off", X(79, 0xFF95, qt::Key_Home, kKeypad), 0x24},
    {"keypad 8, Num Lock off", X(80, 0xFF97, qt::Key_Up, kKeypad), 0x26},
    {"keypad 3, Num Lock off", X(89, 0xFF9B, qt::Key_PageDown, kKeypad), 0x22},
    {"keypad 5, Num Lock off", X(84, 0xFF9D, qt::Key_Clear, kKeypad), 0x0C},
    {"keypad 0, Num Lock off", X(90, 0xFF9E, qt::Key_Insert, kKeypad), 0x2D},
    {"keypad Delete, Num Lock off", X(91, 0xFF9F, qt::Key_Delete, kKeypad), 0x2E},
    {"keypad Enter", X(104, 0xFF8D, qt::Key_Enter, kKeypad), 0x0D},
    {"keypad /", X(106, 0xFFAF, qt::Key_Slash, kKeypad), 0x6F},
    {"keypad *", X(63, 0xFFAA, qt::Key_Asterisk, kKeypad), 0x6A},
    {"keypad -", X(82, 0xFFAD, qt::Key_Minus, kKeypad), 0x6D},
    {"keypad +", X(86, 0xFFAB, qt::Key_Plus, kKeypad), 0x6B},
    // Without native codes, Qt's key and keypad flag decide.
    {"Qt keypad 3", Q('3', kKeypad), 0x63},
    {"Qt keypad Page Down", Q(qt::Key_PageDown, kKeypad), 0x22},
    {"Qt keypad Enter", Q(qt::Key_Enter, kKeypad), 0x0D},
    {"Qt keypad Delete", Q(qt::Key_Delete, kKeypad), 0x2E},
    {"Qt F5", Q(qt::Key_F1 + 4), 0x74},
    {"Qt Escape", Q(qt::Key_Escape), 0x1B},
    {"Qt letter", Q('K'), 'K'},
    {"Qt digit", Q('4'), '4'},
    // A key Windows has no code for is not sent.
    {"volume key", X(122, 0x1008FF11, 0x01000070), 0},
    {"nothing known", Q(0), 0},
};

}  // namespace

TEST(KeyMapping, UsLayout) {
  Check(KeyboardLayout::Us, kCommonCases);
  Check(KeyboardLayout::Us, {
      {"A", X(38, 'a', 'A'), 'A'},
      {"Q", X(24, 'q', 'Q'), 'Q'},
      {"Z", X(52, 'z', 'Z'), 'Z'},
      {"M", X(58, 'm', 'M'), 'M'},
      {"shifted letter", X(38, 'A', 'A', kShift), 'A'},
      {"1", X(10, '1', '1'), '1'},
      {"! (Shift+1)", X(10, '!', '!', kShift), '1'},
      {"0", X(19, '0', '0'), '0'},
      {") (Shift+0)", X(19, ')', ')', kShift), '0'},
      {"-", X(20, '-', '-'), 0xBD},
      {"=", X(21, '=', '='), 0xBB},
      {"[", X(34, '[', '['), 0xDB},
      {"]", X(35, ']', ']'), 0xDD},
      {";", X(47, ';', ';'), 0xBA},
      {"'", X(48, '\'', '\''), 0xDE},
      {"`", X(49, '`', '`'), 0xC0},
      {"backslash", X(51, '\\', '\\'), 0xDC},
      {",", X(59, ',', ','), 0xBC},
      {".", X(60, '.', '.'), 0xBE},
      {"/", X(61, '/', '/'), 0xBF},
      {"102nd key", X(94, '<', '<'), 0xE2},
      {"right Alt", X(108, 0xFFEA, qt::Key_Alt), 0x12},
      {"keysym only", X(0, 'w', 0), 'W'},
      {"Qt ;", Q(';'), 0xBA},
      {"Qt ? (Shift+/)", Q('?', kShift), 0xBF},
  });
}

TEST(KeyMapping, FrenchLayout) {
  Check(KeyboardLayout::French, kCommonCases);
  Check(KeyboardLayout::French, {
      {"A on AZERTY", X(24, 'a', 'A'), 'A'},
      {"Z on AZERTY", X(25, 'z', 'Z'), 'Z'},
      {"Q on AZERTY", X(38, 'q', 'Q'), 'Q'},
      {"M on AZERTY", X(47, 'm', 'M'), 'M'},
      {"W on AZERTY", X(52, 'w', 'W'), 'W'},
      // The digit row is VK_1..VK_0 whatever the character.
      {"& (1)", X(10, '&', '&'), '1'},
      {"1 (Shift+&)", X(10, '1', '1', kShift), '1'},
      {"é (2)", X(11, 0xE9, 0xC9), '2'},
      {"\" (3)", X(12, '"', '"'), '3'},
      {"ç (9)", X(18, 0xE7, 0xC7), '9'},
      {"à (0)", X(19, 0xE0, 0xC0), '0'},
      {"@ (AltGr+à)", X(19, '@', '@'), '0'},
      {")", X(20, ')', ')'), 0xDB},
      {"=", X(21, '=', '='), 0xBB},
      {"dead circumflex", X(34, 0xFE52, 0x01001252), 0xDD},
      {"$", X(35, '$', '$'), 0xBA},
      {"ù", X(48, 0xF9, 0xD9), 0xC0},
      {"*", X(51, '*', '*'), 0xDC},
      {"²", X(49, 0xB2, 0xB2), 0xDE},
      {",", X(58, ',', ','), 0xBC},
      {";", X(59, ';', ';'), 0xBE},
      {":", X(60, ':', ':'), 0xBF},
      {"!", X(61, '!', '!'), 0xDF},
      {"<", X(94, '<', '<'), 0xE2},
      {"AltGr", X(108, 0xFE03, qt::Key_AltGr), 0x12},
      {"keypad comma, Num Lock on", X(91, 0xFFAC, qt::Key_Comma, kKeypad), 0x6E},
      {"keysym only", X(0, 'a', 0), 'A'},
      {"Qt É", Q(0xC9), '2'},
      {"Qt dead circumflex", Q(0x01001252), 0xDD},
      {"Qt !", Q('!'), 0xDF},
      {"Qt M", Q('M'), 'M'},
      {"Qt 5 (Shift+()", Q('5', kShift), '5'},
  });
}

TEST(KeyMapping, LayoutIsRecognisedFromTheUpperLetterRow) {
  EXPECT_EQ(LayoutFromKeycode24('a'), KeyboardLayout::French);
  EXPECT_EQ(LayoutFromKeycode24('q'), KeyboardLayout::Us);
  EXPECT_EQ(LayoutFromKeycode24(0), KeyboardLayout::Us);
}

TEST(KeyMapping, KeyboardStateBits) {
  struct StateCase {
    const char* what;
    KeyEvent event;
    bool altGrHeld;
    bool shift, ctrl, alt;
  };
  const uint32_t ctrl = qt::ControlModifier, alt = qt::AltModifier;
  const StateCase cases[] = {
      {"plain key", X(38, 'a', 'A'), false, false, false, false},
      {"modifiers of a key", X(38, 'a', 'A', kShift | ctrl | alt), false, true, true, true},
      {"Shift's own press", X(50, 0xFFE1, qt::Key_Shift, 0), false, true, false, false},
      {"Shift's own release", X(50, 0xFFE1, qt::Key_Shift, kShift, false), false, false, false, false},
      {"right Control's press", X(105, 0xFFE4, qt::Key_Control), false, false, true, false},
      {"Alt's release", X(64, 0xFFE9, qt::Key_Alt, alt, false), false, false, false, false},
      {"AltGr's press", X(108, 0xFE03, qt::Key_AltGr), false, false, true, true},
      {"AltGr's release", X(108, 0xFE03, qt::Key_AltGr, 0, false), true, false, false, false},
      {"a key under AltGr", X(26, 0x20AC, 0x20AC), true, false, true, true},
      {"group switch modifier", X(26, 0x20AC, 0x20AC, qt::GroupSwitchModifier), false, false, true, true},
  };
  for (const StateCase& c : cases) {
    KeyboardTracker tracker;
    tracker.AltGr = c.altGrHeld;
    const corvane::session::TKeyboardState s = KeyboardStateOf(c.event, tracker);
    EXPECT_EQ(s.Shift, c.shift) << c.what;
    EXPECT_EQ(s.Ctrl, c.ctrl) << c.what;
    EXPECT_EQ(s.Alt, c.alt) << c.what;
    EXPECT_FALSE(s.NumLock || s.CapsLock || s.ScrollLock) << c.what;
  }
}

TEST(KeyMapping, LockKeysFromIndicatorsThenFromOwnEvents) {
  KeyboardTracker tracker;
  tracker.SetFromIndicators(0x2);  // Num Lock on
  EXPECT_TRUE(tracker.NumLock);
  EXPECT_FALSE(tracker.CapsLock || tracker.ScrollLock);

  const KeyEvent caps = X(66, 0xFFE5, qt::Key_CapsLock);
  tracker.Observe(caps);  // the press flips it; the state of that very event shows it on
  EXPECT_TRUE(KeyboardStateOf(caps, tracker).CapsLock);
  KeyEvent capsUp = caps;
  capsUp.press = false;
  tracker.Observe(capsUp);
  EXPECT_TRUE(tracker.CapsLock);
  tracker.Observe(Q(qt::Key_CapsLock));  // known by Qt's key alone
  EXPECT_FALSE(tracker.CapsLock);
  tracker.Observe(X(77, 0xFF7F, qt::Key_NumLock, kKeypad));
  tracker.Observe(X(78, 0xFF14, qt::Key_ScrollLock));
  const corvane::session::TKeyboardState s = KeyboardStateOf(X(38, 'a', 'A'), tracker);
  EXPECT_FALSE(s.NumLock);
  EXPECT_FALSE(s.CapsLock);
  EXPECT_TRUE(s.ScrollLock);

  tracker.SetFromIndicators(0x1 | 0x4);  // focus-in: the keyboard's own indicators win
  EXPECT_TRUE(tracker.CapsLock && tracker.ScrollLock && !tracker.NumLock);

  tracker.Observe(X(108, 0xFE03, qt::Key_AltGr));
  EXPECT_TRUE(tracker.AltGr);
  tracker.ReleaseHeld();  // focus lost while AltGr was down
  EXPECT_FALSE(KeyboardStateOf(X(26, 'e', 'E'), tracker).Alt);
}
