#include <gtest/gtest.h>

#include <functional>

#include "ChannelTestSupport.h"
#include "session/InputChannel.h"
#include "session/InputClient.h"

using namespace corvane;
using namespace corvane::session;
using namespace corvane::session::testing;

namespace {

std::string Keys(TOLASpecialKeys keys) {
  static const char* names[] = {"Shift", "Ctrl", "Alt", "Num", "Caps", "Scroll"};
  std::string out;
  for (int i = 0; i < 6; ++i)
    if (keys & (1u << i)) out += std::string(out.empty() ? "" : "+") + names[i];
  return out.empty() ? "-" : out;
}

std::string Point(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }

// The customer's end, writing what it receives as text.
void Record(TOLAClientInputs& client, Log& log) {
  client.OnMouseButton = [&log](TOLAClientInputs&, const TOLAMouseButtonMessageData& m) {
    log.Add(std::string(m.Action == maDown ? "down " : "up ") + (m.Button == mbLeft ? "L " : "R ") +
            Point(m.Left, m.Top));
  };
  client.OnMouseMove = [&log](TOLAClientInputs&, const TOLAMouseMoveMessageData& m) {
    log.Add("move " + Point(m.Left, m.Top));
  };
  client.OnMouseWheel = [&log](TOLAClientInputs&, const TOLAMouseWheelMessageData& m) {
    log.Add("wheel " + std::to_string(m.WheelData) + " @" + Point(m.Left, m.Top));
  };
  client.OnKey = [&log](TOLAClientInputs&, const TOLAKeyboardMessageData& m) {
    log.Add("key " + std::to_string(m.VirtualKey) + (m.Action == kaDown ? " down " : " up ") +
            Keys(m.KeybState));
  };
  client.OnKeyboardState = [&log](TOLAClientInputs&, const TOLAKeyboardStateMessageData& m) {
    log.Add("state " + Keys(m.KeybState));
  };
}

}  // namespace

TEST(InputChannelTest, FiltersAndSpecialKeys) {
  const TKeyboardState none{};
  const TKeyboardState shift{.Shift = true};
  const TKeyboardState alt{.Alt = true};
  const TKeyboardState toggles{.NumLock = true, .CapsLock = true, .ScrollLock = true};
  constexpr uint16_t A = 0x41;
  struct Case {
    const char* name;
    std::function<void(TOLAServerSpeakingInputs&)> actions;
    std::vector<std::string> expected;
  } cases[] = {
      {"first move to (0,0) is not sent",
       [](auto& in) { in.MouseMove(0, 0); in.MouseMove(5, 5); },
       {"move 5,5"}},
      {"press then move to the same point sends the press only",
       [](auto& in) { in.MouseDown(mbLeft, 10, 20); in.MouseMove(10, 20); in.MouseUp(mbLeft, 10, 20); },
       {"down L 10,20", "up L 10,20"}},
      {"wheel is never filtered and keeps the last position",
       [](auto& in) { in.MouseWheel(-120, 300, 400); in.MouseWheel(70000, 300, 400); in.MouseMove(0, 0); },
       {"wheel -120 @300,400", "wheel 4464 @300,400"}},
      {"auto-repeat of a held key is dropped",
       [&](auto& in) { in.KeyDown(A, none); in.KeyDown(A, none); in.KeyDown(A, none); in.KeyUp(A, none); in.KeyDown(A, none); },
       {"key 65 down -", "key 65 up -", "key 65 down -"}},
      {"Shift sends the state, each repeat again",
       [&](auto& in) { in.KeyDown(VK_SHIFT, shift); in.KeyDown(VK_SHIFT, shift); in.KeyDown(A, shift); },
       {"state Shift", "state Shift", "key 65 down Shift"}},
      {"Windows and left/right Shift keys are dropped, Alt sends the state",
       [&](auto& in) { in.KeyDown(VK_LWIN, none); in.KeyDown(VK_RWIN, none); in.KeyDown(VK_LSHIFT, shift); in.KeyDown(VK_RCONTROL, none); in.KeyDown(VK_MENU, alt); },
       {"state Alt"}},
      {"Tab at release goes out as down then up",
       [&](auto& in) { in.KeyDown(VK_TAB, none); in.KeyUp(VK_TAB, none); },
       {"key 9 down -", "key 9 up -"}},
      {"toggled keys travel with every key",
       [&](auto& in) { in.KeyDown(VK_CAPITAL, toggles); in.KeyUp(A, toggles); },
       {"state Num+Caps+Scroll", "key 65 up Num+Caps+Scroll"}},
  };
  for (const auto& c : cases) {
    Log log;
    base::ManualLoop loop;
    SessionHost host(loop);
    auto* inputs = new TOLAIdServerSpeakingInputs(&host.root, loop);
    host.Start();
    TOLAClientInputs client(nullptr, loop);
    Record(client, log);
    ConnectClient(client, "127.0.0.1", host.Port());
    ASSERT_TRUE(host.WaitFor([&] { return inputs->Connected(); })) << c.name;
    c.actions(*inputs);
    inputs->MouseWheel(1, 999, 999);  // end marker: never filtered
    ASSERT_TRUE(host.WaitFor([&] { return log.Contains("wheel 1 @999,999"); })) << c.name;
    auto items = log.Items();
    items.pop_back();
    EXPECT_EQ(items, c.expected) << c.name;
    host.Stop();
  }
}

TEST(InputChannelTest, UnboundChannelDropsInputSilently) {
  base::ManualLoop loop;
  TOLAIdServerSpeakingInputs inputs(nullptr, loop);
  EXPECT_NO_THROW(inputs.MouseDown(mbLeft, 1, 2));
  EXPECT_NO_THROW(inputs.KeyDown(0x41, TKeyboardState{}));
}
