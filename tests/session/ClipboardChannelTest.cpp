#include <gtest/gtest.h>

#include "ChannelTestSupport.h"
#include "session/ClipboardChannels.h"
#include "session/TextClients.h"

using namespace corvane;
using namespace corvane::session;
using namespace corvane::session::testing;

namespace {

// Both clipboard channels of a session, paired, against the customer's two ends, with an
// in-memory clipboard as the process clipboard.
class ClipboardChannelTest : public ::testing::Test {
protected:
  void SetUp() override {
    TThreadSafeClipboard::Instance().SetSystemClipboard(clipboard);
    speaking = new TOLAIdServerSpeakingClipboard(&host.root, loop);
    receiving = new TOLAIdServerClipboard(&host.root, loop);
    speaking->SetServerClipBoardReceiver(receiving);
    host.Start();
    customerIn = std::make_unique<TOLAClientClipboard>(nullptr, loop);
    customerIn->OnClipboardText = [this](TOLAClientClipboard&, const std::string& text) {
      sent.Add(text);
    };
    ConnectClient(*customerIn, "127.0.0.1", host.Port());
    customerOut = ConnectedClient<TOLAClientSpeakingClipboard>(host);
    ASSERT_TRUE(host.WaitFor([&] { return speaking->Connected() && receiving->Connected(); }));
  }
  void TearDown() override {
    customerIn.reset();
    customerOut.reset();
    host.Stop();
    TThreadSafeClipboard::Instance().SetSystemClipboard(nullptr);
  }
  // A copy made by the agent: the notification arrives from the loop.
  void LocalCopy(const std::string& text) {
    clipboard->SetText(text);
    loop.pump();
  }
  // Text the customer copied, once it is on the local clipboard and its notification was handled.
  void Receive(const std::string& text) {
    customerOut->SendClipboardText(text);
    ASSERT_TRUE(host.WaitFor([&] { return clipboard->Text() == text; }));
    loop.pump();
  }
  // Everything the customer has received, once the marker sent last has arrived.
  std::vector<std::string> SentUpTo(const std::string& marker) {
    loop.advance(1000);
    LocalCopy(marker);
    EXPECT_TRUE(host.WaitFor([&] { return sent.Contains(marker); }));
    return sent.Items();
  }

  Log sent;  // texts the customer received
  std::shared_ptr<InMemoryClipboard> clipboard;
  base::ManualLoop loop;
  SessionHost host{loop};
  TOLAIdServerSpeakingClipboard* speaking = nullptr;
  TOLAIdServerClipboard* receiving = nullptr;
  std::unique_ptr<TOLAClientClipboard> customerIn;
  std::unique_ptr<TOLAClientSpeakingClipboard> customerOut;

public:
  ClipboardChannelTest() : clipboard(std::make_shared<InMemoryClipboard>(loop)) {}
};

}  // namespace

TEST_F(ClipboardChannelTest, ChangesCloserThan250msAreDroppedForGood) {
  LocalCopy("one");
  loop.advance(100);
  LocalCopy("two");  // dropped, not delayed
  loop.advance(149);
  LocalCopy("three");  // 249 ms after "one": still dropped
  loop.advance(1);
  LocalCopy("four");
  EXPECT_EQ(SentUpTo("end"), (std::vector<std::string>{"one", "four", "end"}));
}

TEST_F(ClipboardChannelTest, ReceivedTextIsAppliedAndItsEchoAbsorbed) {
  Receive("café crème");  // Windows-1252 on the wire, UTF-8 here
  EXPECT_EQ(clipboard->Text(), "café crème");
  loop.advance(1000);
  LocalCopy("mine");
  EXPECT_EQ(SentUpTo("end"), (std::vector<std::string>{"mine", "end"}));
}

TEST_F(ClipboardChannelTest, EchoArrivingWithinTheIntervalDoesNotSwallowTheNextCopy) {
  LocalCopy("local");
  loop.advance(100);
  Receive("remote");  // its notification comes 100 ms after the last send
  loop.advance(1000);
  LocalCopy("next");
  EXPECT_EQ(SentUpTo("end"), (std::vector<std::string>{"local", "next", "end"}));
}

TEST_F(ClipboardChannelTest, UnchangedTextIsNotWrittenAndLeavesNothingToAbsorb) {
  LocalCopy("same");
  const int writes = clipboard->WriteCount();
  customerOut->SendClipboardText("same");
  Receive("other");
  EXPECT_EQ(clipboard->WriteCount(), writes + 1);  // only "other" was written
  loop.advance(1000);
  LocalCopy("after");
  EXPECT_EQ(SentUpTo("end"), (std::vector<std::string>{"same", "after", "end"}));
}

TEST_F(ClipboardChannelTest, ImageOnlyClipboardSendsNothingAndKeepsTheInterval) {
  loop.advance(1000);
  clipboard->SetImageOnly();
  loop.pump();
  loop.advance(100);
  LocalCopy("text");  // the picture did not count as a send
  EXPECT_EQ(SentUpTo("end"), (std::vector<std::string>{"text", "end"}));
}

TEST_F(ClipboardChannelTest, ClipboardErrorsAreSwallowedOnBothSides) {
  clipboard->SetText("held");
  clipboard->Failing = true;
  loop.pump();  // the notification finds the clipboard unreadable: nothing is sent
  EXPECT_EQ(clipboard->FailedAccesses(), 1);
  customerOut->SendClipboardText("lost");
  customerOut->SendClipboardText("");  // nothing goes out for an empty text
  ASSERT_TRUE(host.WaitFor([&] { return clipboard->FailedAccesses() == 2; }));
  loop.advance(1000);
  clipboard->Failing = false;
  Receive("kept");
  EXPECT_TRUE(receiving->Connected());
  EXPECT_EQ(SentUpTo("end"), (std::vector<std::string>{"end"}));
}

namespace {

// The in-memory clipboard behind a desktop clipboard whose failures are not the library's own
// errors, as a platform binding may raise.
class ForeignFailingClipboard final : public ISystemClipboard {
public:
  ForeignFailingClipboard(std::shared_ptr<InMemoryClipboard> inner, std::function<void()> fail)
      : inner_(std::move(inner)), fail_(std::move(fail)) {}
  bool HasText() const override {
    Check();
    return inner_->HasText();
  }
  std::string Text() const override {
    Check();
    return inner_->Text();
  }
  void SetText(std::string_view utf8) override {
    Check();
    inner_->SetText(utf8);
  }
  void Clear() override {
    Check();
    inner_->Clear();
  }
  void SetChangeHandler(std::function<void()> handler) override {
    inner_->SetChangeHandler(std::move(handler));
  }
  std::atomic<bool> Failing{false};
  mutable std::atomic<int> Failures{0};

private:
  void Check() const {
    if (!Failing.load()) return;
    ++Failures;
    fail_();
  }
  std::shared_ptr<InMemoryClipboard> inner_;
  std::function<void()> fail_;
};

}  // namespace

TEST_F(ClipboardChannelTest, ErrorsOfAnyKindFromThePlatformClipboardAreSwallowedAndLogged) {
  struct Case {
    const char* kind;
    std::function<void()> fail;
  } cases[] = {
      {"runtime_error", [] { throw std::runtime_error("clipboard owner vanished"); }},
      {"logic_error", [] { throw std::logic_error("bad clipboard format"); }},
      {"not an exception class", [] { throw 42; }},
  };
  int round = 0;
  for (const auto& c : cases) {
    auto odd = std::make_shared<ForeignFailingClipboard>(clipboard, c.fail);
    TThreadSafeClipboard::Instance().SetSystemClipboard(odd);
    odd->Failing = true;
    ::testing::internal::CaptureStderr();
    LocalCopy("local " + std::to_string(round));  // unreadable: nothing is sent
    customerOut->SendClipboardText("lost");        // unwritable: not applied
    ASSERT_TRUE(host.WaitFor([&] { return odd->Failures.load() >= 2; })) << c.kind;
    loop.pump();
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("clipboard read"), std::string::npos) << c.kind << ": " << log;
    EXPECT_NE(log.find("clipboard write"), std::string::npos) << c.kind << ": " << log;
    odd->Failing = false;
    loop.advance(1000);
    const std::string kept = "kept " + std::to_string(round++);
    Receive(kept);
    EXPECT_TRUE(receiving->Connected()) << c.kind;
    EXPECT_TRUE(speaking->Connected()) << c.kind;
  }
  EXPECT_EQ(SentUpTo("end"), (std::vector<std::string>{"end"}));
}

TEST(ClipboardPairingTest, DestroyedReceiverIsForgottenBySpeakingSide) {
  base::ManualLoop loop;
  auto clipboard = std::make_shared<InMemoryClipboard>(loop);
  TThreadSafeClipboard::Instance().SetSystemClipboard(clipboard);
  TOLAIdServerSpeakingClipboard speaking(nullptr, loop);
  auto receiving = std::make_unique<TOLAIdServerClipboard>(nullptr, loop);
  speaking.SetServerClipBoardReceiver(receiving.get());
  receiving.reset();
  EXPECT_EQ(speaking.ServerClipBoardReceiver(), nullptr);
  clipboard->SetText("copied while unbound");
  EXPECT_NO_THROW(loop.pump());  // handled and dropped: nothing is bound
  TThreadSafeClipboard::Instance().SetSystemClipboard(nullptr);
}
