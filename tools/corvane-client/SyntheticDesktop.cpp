#include "SyntheticDesktop.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "BitmapFont.h"
#include "ClientLimits.h"

namespace corvane::client {

using session::Image;
using session::TRect;

namespace {

constexpr uint32_t kBackground = 0xFF3A6EA5u;
constexpr uint32_t kGrid = 0xFF4578B0u;
constexpr uint32_t kTitleBar = 0xFF203060u;
constexpr uint32_t kPanel = 0xFF202020u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kSquare = 0xFFFF8C00u;
constexpr uint32_t kSquareEdge = 0xFF8B4500u;
constexpr uint32_t kChatText = 0xFFFFF3A0u;
constexpr uint32_t kClipboardText = 0xFFA0FFA0u;
constexpr uint32_t kInfoText = 0xFFB0B0B0u;
constexpr int kGridStep = 32;

void Fill(Image& p, int x, int y, int w, int h, uint32_t colour) {
  const int x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int x1 = std::min(x + w, p.width), y1 = std::min(y + h, p.height);
  for (int yy = y0; yy < y1; ++yy)
    for (int xx = x0; xx < x1; ++xx) p.at(xx, yy) = colour;
}

// Position along a range of the given length, bouncing between its ends.
int Bounce(uint64_t travelled, int length) {
  if (length <= 0) return 0;
  const uint64_t period = 2 * static_cast<uint64_t>(length);
  const auto t = static_cast<int>(travelled % period);
  return t <= length ? t : static_cast<int>(period) - t;
}

void Trim(std::string& text, size_t max) {
  if (text.size() > max) text = std::string(LastCharacters(text, max / 2));
}

// Windows virtual keys of the US layout, as (unshifted, shifted) characters.
struct KeyChars {
  uint16_t key;
  char plain, shifted;
};
constexpr KeyChars kPunctuation[] = {
    {0xBA, ';', ':'}, {0xBB, '=', '+'}, {0xBC, ',', '<'}, {0xBD, '-', '_'},  {0xBE, '.', '>'},
    {0xBF, '/', '?'}, {0xC0, '`', '~'}, {0xDB, '[', '{'}, {0xDC, '\\', '|'}, {0xDD, ']', '}'},
    {0xDE, '\'', '"'}, {0x6A, '*', '*'}, {0x6B, '+', '+'}, {0x6D, '-', '-'}, {0x6E, '.', '.'},
    {0x6F, '/', '/'},
};
struct KeyName {
  uint16_t key;
  const char* name;
};
constexpr KeyName kNamedKeys[] = {
    {0x1B, "Escape"}, {0x21, "PageUp"}, {0x22, "PageDown"}, {0x23, "End"},   {0x24, "Home"},
    {0x25, "Left"},   {0x26, "Up"},     {0x27, "Right"},    {0x28, "Down"},  {0x2D, "Insert"},
    {0x2E, "Delete"}, {0x12, "Alt"},    {0x5D, "Menu"},     {0x2C, "PrintScreen"},
};

}  // namespace

SyntheticDesktop::SyntheticDesktop(int width, int height, std::string owner)
    : width_(width), height_(height), owner_(std::move(owner)) {}

void SyntheticDesktop::Changed() {
  ++version_;
  changed_.notify_all();
}

void SyntheticDesktop::Click(int x, int y, session::TMouseButton button) {
  const uint32_t colour = button == session::mbRight    ? kRightClickColour
                          : button == session::mbMiddle ? kMiddleClickColour
                                                        : kLeftClickColour;
  std::lock_guard lock(mutex_);
  marks_.push_back({x, y, colour});
  if (marks_.size() > kMaxClickMarks) marks_.pop_front();
  ++clicks_;
  pointerX_ = x;
  pointerY_ = y;
  Changed();
}

void SyntheticDesktop::Pointer(int x, int y) {
  std::lock_guard lock(mutex_);
  if (x == pointerX_ && y == pointerY_) return;
  pointerX_ = x;
  pointerY_ = y;
  Changed();
}

void SyntheticDesktop::Wheel(int delta) {
  std::lock_guard lock(mutex_);
  wheel_ += delta;
  Changed();
}

std::string SyntheticDesktop::Key(uint16_t vk, session::TOLASpecialKeys state) {
  const bool shift = (state & session::SpecialKeyBit(session::ksShift)) != 0;
  const bool caps = (state & session::SpecialKeyBit(session::ksCapsLock)) != 0;
  char typed = 0;
  bool enter = false, backspace = false;
  std::string name;
  if (vk >= 'A' && vk <= 'Z') {
    typed = static_cast<char>((shift != caps) ? vk : vk - 'A' + 'a');
  } else if (vk >= '0' && vk <= '9') {
    typed = shift ? ")!@#$%^&*("[vk - '0'] : static_cast<char>(vk);
  } else if (vk >= 0x60 && vk <= 0x69) {
    typed = static_cast<char>('0' + (vk - 0x60));
  } else if (vk == 0x20) {
    typed = ' ';
    name = "Space";
  } else if (vk == 0x09) {
    typed = ' ';
    name = "Tab";
  } else if (vk == 0x0D) {
    enter = true;
    name = "Enter";
  } else if (vk == 0x08) {
    backspace = true;
    name = "Backspace";
  } else if (vk >= 0x70 && vk <= 0x87) {
    name = "F" + std::to_string(vk - 0x70 + 1);
  } else {
    for (const auto& p : kPunctuation)
      if (p.key == vk) typed = shift ? p.shifted : p.plain;
    for (const auto& n : kNamedKeys)
      if (n.key == vk) name = n.name;
  }
  if (name.empty()) {
    if (typed) {
      name = std::string("'") + typed + "'";
    } else {
      char buffer[16];
      std::snprintf(buffer, sizeof buffer, "VK_%02X", vk);
      name = buffer;
    }
  }
  std::lock_guard lock(mutex_);
  if (typed) typed_ += typed;
  if (enter) typed_ += '\n';
  if (backspace && !typed_.empty()) {
    size_t cut = typed_.size() - 1;
    while (cut > 0 && (static_cast<unsigned char>(typed_[cut]) & 0xC0) == 0x80) --cut;
    typed_.resize(cut);
  }
  Trim(typed_, kMaxTypedText);
  Changed();
  return name;
}

void SyntheticDesktop::ShowChat(const std::string& text) {
  std::lock_guard lock(mutex_);
  chat_ = text;
  Trim(chat_, kMaxShownText);
  Changed();
}

void SyntheticDesktop::ShowClipboard(const std::string& text) {
  std::lock_guard lock(mutex_);
  clipboard_ = text;
  Trim(clipboard_, kMaxShownText);
  Changed();
}

void SyntheticDesktop::SetIdentifier(const std::string& identifier) {
  std::lock_guard lock(mutex_);
  identifier_ = identifier;
  Trim(identifier_, kMaxShownText);
  Changed();
}

void SyntheticDesktop::Tick(uint64_t step, const std::string& clock) {
  std::lock_guard lock(mutex_);
  if (step == step_ && clock == clock_) return;
  step_ = step;
  clock_ = clock;
  Changed();
}

TRect SyntheticDesktop::SquareAt(uint64_t step) const {
  const int x = Bounce(step * kSquareStepX, width_ - kSquareSide);
  const int y = kTitleHeight + Bounce(step * kSquareStepY, height_ - kTitleHeight - kPanelHeight - kSquareSide);
  return TRect{x, y, x + kSquareSide, y + kSquareSide};
}

uint64_t SyntheticDesktop::Version() const {
  std::lock_guard lock(mutex_);
  return version_;
}

void SyntheticDesktop::WaitForChange(uint64_t seen, int timeoutMs) const {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                    [&] { return stopped_ || version_ != seen; });
}

void SyntheticDesktop::Stop() {
  std::lock_guard lock(mutex_);
  stopped_ = true;
  changed_.notify_all();
}

std::string SyntheticDesktop::TypedText() const {
  std::lock_guard lock(mutex_);
  return typed_;
}

size_t SyntheticDesktop::Clicks() const {
  std::lock_guard lock(mutex_);
  return clicks_;
}

SyntheticDesktop::Scene SyntheticDesktop::Render(Image& out) const {
  std::lock_guard lock(mutex_);
  if (out.width != width_ || out.height != height_) out = Image(width_, height_);
  std::fill(out.pixels.begin(), out.pixels.end(), kBackground);
  for (int x = kGridStep; x < width_; x += kGridStep) Fill(out, x, 0, 1, height_, kGrid);
  for (int y = kGridStep; y < height_; y += kGridStep) Fill(out, 0, y, width_, 1, kGrid);

  // Title bar: who this desktop belongs to, and the clock on the right.
  Fill(out, 0, 0, width_, kTitleHeight, kTitleBar);
  std::string title = "CORVANE CUSTOMER DESKTOP - " + owner_;
  if (!identifier_.empty()) title += " (" + identifier_ + ")";
  const int clockWidth = static_cast<int>(CharacterCount(clock_)) * kGlyphAdvance;
  DrawText(out, 6, 6, LastCharacters(title, static_cast<size_t>(std::max(0, (width_ - clockWidth - 24) / kGlyphAdvance))), kWhite);
  DrawText(out, width_ - clockWidth - 6, 6, clock_, kWhite);

  const TRect square = SquareAt(step_);
  Fill(out, square.Left, square.Top, kSquareSide, kSquareSide, kSquareEdge);
  Fill(out, square.Left + 3, square.Top + 3, kSquareSide - 6, kSquareSide - 6, kSquare);

  // The agent's clicks: a cross centred on each, in the button's colour.
  for (const Mark& m : marks_) {
    Fill(out, m.x - 5, m.y - 1, 11, 3, 0xFF000000u);
    Fill(out, m.x - 1, m.y - 5, 3, 11, 0xFF000000u);
    Fill(out, m.x - 4, m.y, 9, 1, m.colour);
    Fill(out, m.x, m.y - 4, 1, 9, m.colour);
  }

  // The panel: typed text, last chat and clipboard texts, counters.
  const int top = height_ - kPanelHeight;
  Fill(out, 0, top, width_, kPanelHeight, kPanel);
  const size_t room = static_cast<size_t>(std::max(0, (width_ - 12) / kGlyphAdvance - 12));
  std::string typed = typed_;
  std::replace(typed.begin(), typed.end(), '\n', '/');
  DrawText(out, 6, top + 4, "TYPED: " + std::string(LastCharacters(typed, room)), kWhite);
  std::string chat = chat_;
  std::replace(chat.begin(), chat.end(), '\n', '/');
  chat.erase(std::remove(chat.begin(), chat.end(), '\r'), chat.end());
  DrawText(out, 6, top + 15, "CHAT: " + std::string(LastCharacters(chat, room)), kChatText);
  std::string clip = clipboard_;
  std::replace(clip.begin(), clip.end(), '\n', '/');
  clip.erase(std::remove(clip.begin(), clip.end(), '\r'), clip.end());
  DrawText(out, 6, top + 26, "CLIPBOARD: " + std::string(LastCharacters(clip, room)), kClipboardText);
  DrawText(out, 6, top + 37,
           "CLICKS: " + std::to_string(clicks_) + "  POINTER: " + std::to_string(pointerX_) + "," +
               std::to_string(pointerY_) + "  WHEEL: " + std::to_string(wheel_),
           kInfoText);
  return Scene{square, version_};
}

Image ArrowCursor() {
  static const char* const kRows[] = {
      "X           ", "XX          ", "X.X         ", "X..X        ", "X...X       ",
      "X....X      ", "X.....X     ", "X......X    ", "X.......X   ", "X........X  ",
      "X.....XXXXX ", "X..X..X     ", "X.X X..X    ", "XX  X..X    ", "X    X..X   ",
      "     X..X   ", "      X..X  ", "      X..X  ", "       XX   ",
  };
  Image arrow(12, 19, 0x00000000u);
  for (int y = 0; y < 19; ++y)
    for (int x = 0; x < 12; ++x) {
      const char c = kRows[y][x];
      if (c == 'X') arrow.at(x, y) = 0xFF000000u;
      if (c == '.') arrow.at(x, y) = 0xFFFFFFFFu;
    }
  return arrow;
}

}  // namespace corvane::client
