#pragma once
// Customer-side ends of the screen and cursor channels. TOLAClientScreen answers the agent's
// option requests with its options, applies the option values the agent sends, and answers each
// frame request with one frame update. TOLAClientCursor sends the cursor's image and position.
//
// Threads: TOLAClientScreen's worker reads and answers; its events run on the worker. The queue of
// prepared answers is guarded by queueMutex_ and may be filled from any thread. Sends are
// serialised (ClientEnd.h).

#include <atomic>
#include <deque>
#include <functional>
#include <optional>

#include "session/ClientEnd.h"
#include "session/MessageData.h"
#include "session/ScreenOptions.h"

namespace corvane::session {

class TOLAClientScreen final : public TOLAClientListeningEnd {
public:
  TOLAClientScreen(TComponent* owner, base::MainLoop& loop);
  ~TOLAClientScreen() override;

  TOLAMessageCode ChannelId() const override { return mcChannelScreen; }

  // The customer's capture options: sent when the agent asks, changed by the values it sends.
  TDadScreenOptions& Options() { return options_; }

  // Worker thread: an option value arrived (code 7 to 11) and was applied to Options.
  std::function<void(TOLAClientScreen&, TOLAMessageCode)> OnOptionReceived;
  // Worker thread: the agent asks for a frame; the handler answers with SendFrame or
  // SendScreenDimension. Unassigned, requests are answered from the queue below.
  std::function<void(TOLAClientScreen&)> OnFrameRequest;

  // Code 5 with the frame.
  void SendFrame(const TOLAFrameUpdateMessageData& frame);
  // Code 4 with the screen size, then at once the frame.
  void SendScreenDimension(int16_t width, int16_t height, const TOLAFrameUpdateMessageData& frame);

  // Prepared answers, one per frame request, in order; sent at once when a request is waiting.
  void QueueFrame(TOLAFrameUpdateMessageData frame);
  void QueueScreenDimension(int16_t width, int16_t height, TOLAFrameUpdateMessageData frame);

  int FrameRequests() const { return frameRequests_.load(); }
  int OptionRequests() const { return optionRequests_.load(); }

protected:
  void HandleMessage(TOLAMessageCode code) override;

private:
  struct Answer {
    std::optional<std::pair<int16_t, int16_t>> dimension;
    TOLAFrameUpdateMessageData frame;
  };
  void Queue(Answer answer);
  void Send(const Answer& answer);
  void AnswerFrameRequest();

  TDadScreenOptions options_;
  std::atomic<int> frameRequests_{0};
  std::atomic<int> optionRequests_{0};
  std::mutex queueMutex_;
  std::deque<Answer> queue_;
  int waitingRequests_ = 0;  // requests that found the queue empty
};

class TOLAClientCursor final : public TOLAClientSpeakingEnd {
public:
  using TOLAClientSpeakingEnd::TOLAClientSpeakingEnd;

  TOLAMessageCode ChannelId() const override { return mcChannelCursor; }

  void SendCursorPosition(int16_t left, int16_t top);
  // The picture goes as its ready-made PNG file when it has one, else encoded.
  void SendCursorImage(int16_t hotSpotX, int16_t hotSpotY, const PngPicture& image);
};

}  // namespace corvane::session
