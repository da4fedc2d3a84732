#include "assistance/KeyMapping.h"

#include <array>
#include <optional>

namespace corvane::assistance {

namespace {

// Windows virtual-key codes.
enum : uint16_t {
  VK_BACK = 0x08, VK_TAB = 0x09, VK_CLEAR = 0x0C, VK_RETURN = 0x0D, VK_SHIFT = 0x10, VK_CONTROL = 0x11,
  VK_MENU = 0x12, VK_PAUSE = 0x13, VK_CAPITAL = 0x14, VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_PRIOR = 0x21,
  VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27,
  VK_DOWN = 0x28, VK_SNAPSHOT = 0x2C, VK_INSERT = 0x2D, VK_DELETE = 0x2E, VK_0 = 0x30, VK_A = 0x41,
  VK_LWIN = 0x5B, VK_RWIN = 0x5C, VK_APPS = 0x5D, VK_NUMPAD0 = 0x60, VK_MULTIPLY = 0x6A, VK_ADD = 0x6B,
  VK_SUBTRACT = 0x6D, VK_DECIMAL = 0x6E, VK_DIVIDE = 0x6F, VK_F1 = 0x70, VK_NUMLOCK = 0x90,
  VK_SCROLL = 0x91, VK_OEM_1 = 0xBA, VK_OEM_PLUS = 0xBB, VK_OEM_COMMA = 0xBC, VK_OEM_MINUS = 0xBD,
  VK_OEM_PERIOD = 0xBE, VK_OEM_2 = 0xBF, VK_OEM_3 = 0xC0, VK_OEM_4 = 0xDB, VK_OEM_5 = 0xDC,
  VK_OEM_6 = 0xDD, VK_OEM_7 = 0xDE, VK_OEM_8 = 0xDF, VK_OEM_102 = 0xE2,
};

// X11 keysyms used below.
enum : uint32_t {
  XK_ISO_Level3_Shift = 0xFE03, XK_dead_grave = 0xFE50, XK_dead_last = 0xFE8F, XK_BackSpace = 0xFF08,
  XK_Tab = 0xFF09, XK_Return = 0xFF0D, XK_Pause = 0xFF13, XK_Scroll_Lock = 0xFF14, XK_Escape = 0xFF1B,
  XK_Home = 0xFF50, XK_Left = 0xFF51, XK_Up = 0xFF52, XK_Right = 0xFF53, XK_Down = 0xFF54,
  XK_Prior = 0xFF55, XK_Next = 0xFF56, XK_End = 0xFF57, XK_Print = 0xFF61, XK_Insert = 0xFF63,
  XK_Menu = 0xFF67, XK_Mode_switch = 0xFF7E, XK_Num_Lock = 0xFF7F, XK_KP_Enter = 0xFF8D,
  XK_KP_Home = 0xFF95, XK_KP_Left = 0xFF96, XK_KP_Up = 0xFF97, XK_KP_Right = 0xFF98, XK_KP_Down = 0xFF99,
  XK_KP_Prior = 0xFF9A, XK_KP_Next = 0xFF9B, XK_KP_End = 0xFF9C, XK_KP_Begin = 0xFF9D,
  XK_KP_Insert = 0xFF9E, XK_KP_Delete = 0xFF9F, XK_KP_Multiply = 0xFFAA, XK_KP_Add = 0xFFAB,
  XK_KP_Separator = 0xFFAC, XK_KP_Subtract = 0xFFAD, XK_KP_Decimal = 0xFFAE, XK_KP_Divide = 0xFFAF,
  XK_KP_0 = 0xFFB0, XK_KP_9 = 0xFFB9, XK_F1 = 0xFFBE, XK_F24 = 0xFFD5, XK_Shift_L = 0xFFE1,
  XK_Shift_R = 0xFFE2, XK_Control_L = 0xFFE3, XK_Control_R = 0xFFE4, XK_Caps_Lock = 0xFFE5,
  XK_Alt_L = 0xFFE9, XK_Alt_R = 0xFFEA, XK_Super_L = 0xFFEB, XK_Super_R = 0xFFEC, XK_Delete = 0xFFFF,
};

// Qt's dead keys follow X11's order from Key_Dead_Grave.
constexpr int kQtDeadGrave = 0x01001250;

// A key of the typing area whose code depends on the layout: its X11 keycode, its virtual-key
// code, and the keysyms it gives unshifted and shifted (for events without a keycode).
struct LayoutKey {
  uint8_t keycode;
  uint16_t vk;
  uint32_t plain;
  uint32_t shifted;
};

constexpr LayoutKey kUs[] = {
    {49, VK_OEM_3, '`', '~'},    {10, '1', '1', '!'},         {11, '2', '2', '@'},
    {12, '3', '3', '#'},         {13, '4', '4', '$'},         {14, '5', '5', '%'},
    {15, '6', '6', '^'},         {16, '7', '7', '&'},         {17, '8', '8', '*'},
    {18, '9', '9', '('},         {19, '0', '0', ')'},         {20, VK_OEM_MINUS, '-', '_'},
    {21, VK_OEM_PLUS, '=', '+'}, {24, 'Q', 'q', 'Q'},         {25, 'W', 'w', 'W'},
    {26, 'E', 'e', 'E'},         {27, 'R', 'r', 'R'},         {28, 'T', 't', 'T'},
    {29, 'Y', 'y', 'Y'},         {30, 'U', 'u', 'U'},         {31, 'I', 'i', 'I'},
    {32, 'O', 'o', 'O'},         {33, 'P', 'p', 'P'},         {34, VK_OEM_4, '[', '{'},
    {35, VK_OEM_6, ']', '}'},    {38, 'A', 'a', 'A'},         {39, 'S', 's', 'S'},
    {40, 'D', 'd', 'D'},         {41, 'F', 'f', 'F'},         {42, 'G', 'g', 'G'},
    {43, 'H', 'h', 'H'},         {44, 'J', 'j', 'J'},         {45, 'K', 'k', 'K'},
    {46, 'L', 'l', 'L'},         {47, VK_OEM_1, ';', ':'},    {48, VK_OEM_7, '\'', '"'},
    {51, VK_OEM_5, '\\', '|'},   {94, VK_OEM_102, '<', '>'},  {52, 'Z', 'z', 'Z'},
    {53, 'X', 'x', 'X'},         {54, 'C', 'c', 'C'},         {55, 'V', 'v', 'V'},
    {56, 'B', 'b', 'B'},         {57, 'N', 'n', 'N'},         {58, 'M', 'm', 'M'},
    {59, VK_OEM_COMMA, ',', '<'}, {60, VK_OEM_PERIOD, '.', '>'}, {61, VK_OEM_2, '/', '?'},
};

// French AZERTY as Windows' French keyboard names its keys (the digit row is VK_1..VK_0).
constexpr LayoutKey kFrench[] = {
    {49, VK_OEM_7, 0xB2, 0},        {10, '1', '&', '1'},             {11, '2', 0xE9, '2'},
    {12, '3', '"', '3'},            {13, '4', '\'', '4'},            {14, '5', '(', '5'},
    {15, '6', '-', '6'},            {16, '7', 0xE8, '7'},            {17, '8', '_', '8'},
    {18, '9', 0xE7, '9'},           {19, '0', 0xE0, '0'},            {20, VK_OEM_4, ')', 0xB0},
    {21, VK_OEM_PLUS, '=', '+'},    {24, 'A', 'a', 'A'},             {25, 'Z', 'z', 'Z'},
    {26, 'E', 'e', 'E'},            {27, 'R', 'r', 'R'},             {28, 'T', 't', 'T'},
    {29, 'Y', 'y', 'Y'},            {30, 'U', 'u', 'U'},             {31, 'I', 'i', 'I'},
    {32, 'O', 'o', 'O'},            {33, 'P', 'p', 'P'},             {34, VK_OEM_6, 0xFE52, 0xFE57},
    {35, VK_OEM_1, '$', 0xA3},      {38, 'Q', 'q', 'Q'},             {39, 'S', 's', 'S'},
    {40, 'D', 'd', 'D'},            {41, 'F', 'f', 'F'},             {42, 'G', 'g', 'G'},
    {43, 'H', 'h', 'H'},            {44, 'J', 'j', 'J'},             {45, 'K', 'k', 'K'},
    {46, 'L', 'l', 'L'},            {47, 'M', 'm', 'M'},             {48, VK_OEM_3, 0xF9, '%'},
    {51, VK_OEM_5, '*', 0xB5},      {94, VK_OEM_102, '<', '>'},      {52, 'W', 'w', 'W'},
    {53, 'X', 'x', 'X'},            {54, 'C', 'c', 'C'},             {55, 'V', 'v', 'V'},
    {56, 'B', 'b', 'B'},            {57, 'N', 'n', 'N'},             {58, VK_OEM_COMMA, ',', '?'},
    {59, VK_OEM_PERIOD, ';', '.'},  {60, VK_OEM_2, ':', '/'},        {61, VK_OEM_8, '!', 0xA7},
};

struct CommonKey {
  uint8_t keycode;
  uint32_t keysym;
  int qtKey;
  uint16_t vk;
};

// Keys outside the typing area, the same on every layout (keycodes of the evdev keymap).
constexpr CommonKey kCommon[] = {
    {9, XK_Escape, qt::Key_Escape, VK_ESCAPE},
    {22, XK_BackSpace, qt::Key_Backspace, VK_BACK},
    {23, XK_Tab, qt::Key_Tab, VK_TAB},
    {23, 0xFE20 /* ISO_Left_Tab, Shift+Tab */, qt::Key_Backtab, VK_TAB},
    {36, XK_Return, qt::Key_Return, VK_RETURN},
    {65, ' ', qt::Key_Space, VK_SPACE},
    {50, XK_Shift_L, qt::Key_Shift, VK_SHIFT},
    {62, XK_Shift_R, qt::Key_Shift, VK_SHIFT},
    {37, XK_Control_L, qt::Key_Control, VK_CONTROL},
    {105, XK_Control_R, qt::Key_Control, VK_CONTROL},
    {64, XK_Alt_L, qt::Key_Alt, VK_MENU},
    {108, XK_Alt_R, qt::Key_Alt, VK_MENU},
    {108, XK_ISO_Level3_Shift, qt::Key_AltGr, VK_MENU},
    {108, XK_Mode_switch, qt::Key_AltGr, VK_MENU},
    {133, XK_Super_L, qt::Key_Super_L, VK_LWIN},
    {134, XK_Super_R, qt::Key_Super_R, VK_RWIN},
    {135, XK_Menu, qt::Key_Menu, VK_APPS},
    {66, XK_Caps_Lock, qt::Key_CapsLock, VK_CAPITAL},
    {77, XK_Num_Lock, qt::Key_NumLock, VK_NUMLOCK},
    {78, XK_Scroll_Lock, qt::Key_ScrollLock, VK_SCROLL},
    {107, XK_Print, qt::Key_Print, VK_SNAPSHOT},
    {127, XK_Pause, qt::Key_Pause, VK_PAUSE},
    {110, XK_Home, qt::Key_Home, VK_HOME},
    {111, XK_Up, qt::Key_Up, VK_UP},
    {112, XK_Prior, qt::Key_PageUp, VK_PRIOR},
    {113, XK_Left, qt::Key_Left, VK_LEFT},
    {114, XK_Right, qt::Key_Right, VK_RIGHT},
    {115, XK_End, qt::Key_End, VK_END},
    {116, XK_Down, qt::Key_Down, VK_DOWN},
    {117, XK_Next, qt::Key_PageDown, VK_NEXT},
    {118, XK_Insert, qt::Key_Insert, VK_INSERT},
    {119, XK_Delete, qt::Key_Delete, VK_DELETE},
    {67, XK_F1, qt::Key_F1, VK_F1},
    {68, XK_F1 + 1, qt::Key_F1 + 1, VK_F1 + 1},
    {69, XK_F1 + 2, qt::Key_F1 + 2, VK_F1 + 2},
    {70, XK_F1 + 3, qt::Key_F1 + 3, VK_F1 + 3},
    {71, XK_F1 + 4, qt::Key_F1 + 4, VK_F1 + 4},
    {72, XK_F1 + 5, qt::Key_F1 + 5, VK_F1 + 5},
    {73, XK_F1 + 6, qt::Key_F1 + 6, VK_F1 + 6},
    {74, XK_F1 + 7, qt::Key_F1 + 7, VK_F1 + 7},
    {75, XK_F1 + 8, qt::Key_F1 + 8, VK_F1 + 8},
    {76, XK_F1 + 9, qt::Key_F1 + 9, VK_F1 + 9},
    {95, XK_F1 + 10, qt::Key_F1 + 10, VK_F1 + 10},
    {96, XK_F1 + 11, qt::Key_F1 + 11, VK_F1 + 11},
};

// Keypad keycodes (evdev keymap).
constexpr std::array<uint8_t, 17> kKeypadKeycodes = {63, 79, 80, 81, 82, 83, 84, 85, 86,
                                                     87, 88, 89, 90, 91, 104, 106, 125};

bool IsKeypadKeycode(uint32_t keycode) {
  for (uint8_t k : kKeypadKeycodes)
    if (k == keycode) return true;
  return false;
}

// A keypad keysym as X11 gives it after applying Num Lock and Shift.
std::optional<uint16_t> KeypadFromKeysym(uint32_t keysym) {
  if (keysym >= XK_KP_0 && keysym <= XK_KP_9) return static_cast<uint16_t>(VK_NUMPAD0 + (keysym - XK_KP_0));
  switch (keysym) {
    case XK_KP_Enter: return VK_RETURN;
    case XK_KP_Home: return VK_HOME;
    case XK_KP_Left: return VK_LEFT;
    case XK_KP_Up: return VK_UP;
    case XK_KP_Right: return VK_RIGHT;
    case XK_KP_Down: return VK_DOWN;
    case XK_KP_Prior: return VK_PRIOR;
    case XK_KP_Next: return VK_NEXT;
    case XK_KP_End: return VK_END;
    case XK_KP_Begin: return VK_CLEAR;
    case XK_KP_Insert: return VK_INSERT;
    case XK_KP_Delete: return VK_DELETE;
    case XK_KP_Multiply: return VK_MULTIPLY;
    case XK_KP_Add: return VK_ADD;
    case XK_KP_Subtract: return VK_SUBTRACT;
    case XK_KP_Decimal:
    case XK_KP_Separator: return VK_DECIMAL;  // the French keypad's comma is VK_DECIMAL too
    case XK_KP_Divide: return VK_DIVIDE;
    default: return std::nullopt;
  }
}

// A keypad key as Qt names it (with its keypad flag): digits with Num Lock on, navigation off.
std::optional<uint16_t> KeypadFromQtKey(int key) {
  if (key >= qt::Key_0 && key <= qt::Key_9) return static_cast<uint16_t>(VK_NUMPAD0 + (key - qt::Key_0));
  switch (key) {
    case qt::Key_Enter:
    case qt::Key_Return: return VK_RETURN;
    case qt::Key_Period:
    case qt::Key_Comma: return VK_DECIMAL;
    case qt::Key_Asterisk: return VK_MULTIPLY;
    case qt::Key_Plus: return VK_ADD;
    case qt::Key_Minus: return VK_SUBTRACT;
    case qt::Key_Slash: return VK_DIVIDE;
    case qt::Key_Clear: return VK_CLEAR;
    default: break;
  }
  for (const CommonKey& k : kCommon)
    if (k.qtKey == key) return k.vk;  // Home, Up, Insert, Delete... with Num Lock off
  return std::nullopt;
}

// The keypad key by its keycode alone, as with Num Lock on.
std::optional<uint16_t> KeypadFromKeycode(uint32_t keycode) {
  switch (keycode) {
    case 63: return VK_MULTIPLY;
    case 82: return VK_SUBTRACT;
    case 86: return VK_ADD;
    case 104: return VK_RETURN;
    case 106: return VK_DIVIDE;
    case 79: return VK_NUMPAD0 + 7;
    case 80: return VK_NUMPAD0 + 8;
    case 81: return VK_NUMPAD0 + 9;
    case 83: return VK_NUMPAD0 + 4;
    case 84: return VK_NUMPAD0 + 5;
    case 85: return VK_NUMPAD0 + 6;
    case 87: return VK_NUMPAD0 + 1;
    case 88: return VK_NUMPAD0 + 2;
    case 89: return VK_NUMPAD0 + 3;
    case 90: return VK_NUMPAD0;
    case 91: return VK_DECIMAL;
    default: return std::nullopt;
  }
}

template <size_t N>
const LayoutKey* FindKeycode(const LayoutKey (&table)[N], uint32_t keycode) {
  for (const LayoutKey& k : table)
    if (k.keycode == keycode) return &k;
  return nullptr;
}

// Latin-1 keysyms in upper case, the form of Qt's key codes for letters.
uint32_t UpperLatin1(uint32_t c) {
  if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
  return c;
}

// The keysym of a character key as Qt's key code would name it.
int QtKeyOfKeysym(uint32_t keysym) {
  if (keysym >= XK_dead_grave && keysym <= XK_dead_last) return kQtDeadGrave + static_cast<int>(keysym - XK_dead_grave);
  return static_cast<int>(UpperLatin1(keysym));
}

template <size_t N>
std::optional<uint16_t> FromCharacter(const LayoutKey (&table)[N], uint32_t keysym, int qtKey) {
  for (const LayoutKey& k : table) {
    if (keysym != 0 && (k.plain == keysym || k.shifted == keysym || UpperLatin1(k.plain) == keysym)) return k.vk;
    if (keysym == 0 && qtKey != 0 &&
        (QtKeyOfKeysym(k.plain) == qtKey || (k.shifted != 0 && QtKeyOfKeysym(k.shifted) == qtKey)))
      return k.vk;
  }
  return std::nullopt;
}

template <size_t N>
uint16_t Map(const LayoutKey (&table)[N], const KeyEvent& e) {
  const bool keypad = e.keypad || (e.modifiers & qt::KeypadModifier) || IsKeypadKeycode(e.nativeScanCode);
  if (keypad) {
    if (auto vk = KeypadFromKeysym(e.nativeVirtualKey)) return *vk;
    if (e.qtKey != 0)
      if (auto vk = KeypadFromQtKey(e.qtKey)) return *vk;
    if (auto vk = KeypadFromKeycode(e.nativeScanCode)) return *vk;
  }
  // The physical key, as a Windows keyboard with this layout names it.
  if (e.nativeScanCode != 0) {
    if (const LayoutKey* k = FindKeycode(table, e.nativeScanCode)) return k->vk;
    const CommonKey* byKeycode = nullptr;
    for (const CommonKey& k : kCommon) {
      if (k.keycode != e.nativeScanCode) continue;
      if (k.keysym == e.nativeVirtualKey) return k.vk;
      if (!byKeycode) byKeycode = &k;
    }
    if (byKeycode) return byKeycode->vk;
  }
  // No keycode known: the keysym, then Qt's key code.
  if (e.nativeVirtualKey != 0) {
    for (const CommonKey& k : kCommon)
      if (k.keysym == e.nativeVirtualKey) return k.vk;
    if (e.nativeVirtualKey >= XK_F1 && e.nativeVirtualKey <= XK_F24)
      return static_cast<uint16_t>(VK_F1 + (e.nativeVirtualKey - XK_F1));
    if (auto vk = FromCharacter(table, e.nativeVirtualKey, 0)) return *vk;
  }
  if (e.qtKey != 0) {
    for (const CommonKey& k : kCommon)
      if (k.qtKey == e.qtKey) return k.vk;
    if (e.qtKey >= qt::Key_F1 && e.qtKey <= qt::Key_F24) return static_cast<uint16_t>(VK_F1 + (e.qtKey - qt::Key_F1));
    if (auto vk = FromCharacter(table, 0, e.qtKey)) return *vk;
  }
  return 0;
}

bool IsAltGrKey(const KeyEvent& e) {
  return e.qtKey == qt::Key_AltGr || e.nativeVirtualKey == XK_ISO_Level3_Shift ||
         e.nativeVirtualKey == XK_Mode_switch;
}

}  // namespace

uint16_t WindowsVirtualKey(const KeyEvent& event, KeyboardLayout layout) {
  return layout == KeyboardLayout::French ? Map(kFrench, event) : Map(kUs, event);
}

KeyboardLayout LayoutFromKeycode24(uint32_t keysym) {
  return keysym == 'a' || keysym == 'A' ? KeyboardLayout::French : KeyboardLayout::Us;
}

void KeyboardTracker::SetFromIndicators(uint32_t indicatorBits) {
  CapsLock = (indicatorBits & 1u) != 0;
  NumLock = (indicatorBits & 2u) != 0;
  ScrollLock = (indicatorBits & 4u) != 0;
}

void KeyboardTracker::Observe(const KeyEvent& event) {
  if (IsAltGrKey(event)) {
    AltGr = event.press;
    return;
  }
  if (!event.press) return;
  // Lock keys are recognised layout-free: by keysym, else keycode, else Qt's key code.
  const uint16_t vk = WindowsVirtualKey(event, KeyboardLayout::Us);
  if (vk == VK_CAPITAL) CapsLock = !CapsLock;
  if (vk == VK_NUMLOCK) NumLock = !NumLock;
  if (vk == VK_SCROLL) ScrollLock = !ScrollLock;
}

session::TKeyboardState KeyboardStateOf(const KeyEvent& event, const KeyboardTracker& tracker) {
  session::TKeyboardState s;
  s.Shift = (event.modifiers & qt::ShiftModifier) != 0;
  s.Ctrl = (event.modifiers & qt::ControlModifier) != 0;
  s.Alt = (event.modifiers & qt::AltModifier) != 0;
  // The key's own press or release decides, whatever the platform put in the modifiers for it.
  const uint16_t vk = WindowsVirtualKey(event, KeyboardLayout::Us);
  const bool altGr = IsAltGrKey(event) ? event.press
                                       : tracker.AltGr || (event.modifiers & qt::GroupSwitchModifier) != 0;
  if (IsAltGrKey(event)) {
    s.Alt = event.press;
    s.Ctrl = s.Ctrl || event.press;
  } else if (vk == VK_SHIFT) {
    s.Shift = event.press;
  } else if (vk == VK_CONTROL) {
    s.Ctrl = event.press;
  } else if (vk == VK_MENU) {
    s.Alt = event.press;
  }
  if (altGr) s.Ctrl = s.Alt = true;
  s.NumLock = tracker.NumLock;
  s.CapsLock = tracker.CapsLock;
  s.ScrollLock = tracker.ScrollLock;
  return s;
}

}  // namespace corvane::assistance
