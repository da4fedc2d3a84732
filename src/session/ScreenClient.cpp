#include "session/ScreenClient.h"

namespace corvane::session {

TOLAClientScreen::TOLAClientScreen(TComponent* owner, base::MainLoop& loop)
    : TOLAClientListeningEnd(owner, loop) {}

TOLAClientScreen::~TOLAClientScreen() { StopAndWait(); }

void TOLAClientScreen::HandleMessage(TOLAMessageCode code) {
  switch (code) {
    case mcScreenOptions: {
      ++optionRequests_;
      std::lock_guard lock(sendMutex_);
      WriteMessageCode(mcScreenOptions);
      WriteComponent(options_);
      return;
    }
    case mcPixelFormat:
      options_.SetPixelFormat(ReadByte());
      break;
    case mcGrayScale:
      options_.SetGrayScale(ReadByte() != 0);
      break;
    case mcCompression:
      options_.SetCompression(ReadByte());
      break;
    case mcAccuracy:
      options_.SetAccuracy(ReadByte());
      break;
    case mcFullScreenUpdateInterval:
      options_.SetFullScreenUpdateInterval(ReadCardinal());
      break;
    case mcFrameRequest:
      ++frameRequests_;
      AnswerFrameRequest();
      return;
    default:
      TOLAClientListeningEnd::HandleMessage(code);
      return;
  }
  if (OnOptionReceived) OnOptionReceived(*this, code);
}

void TOLAClientScreen::AnswerFrameRequest() {
  if (OnFrameRequest) {
    OnFrameRequest(*this);
    return;
  }
  std::unique_lock lock(queueMutex_);
  if (queue_.empty()) {
    ++waitingRequests_;
    return;
  }
  Answer answer = std::move(queue_.front());
  queue_.pop_front();
  lock.unlock();
  Send(answer);
}

void TOLAClientScreen::Queue(Answer answer) {
  {
    std::lock_guard lock(queueMutex_);
    if (waitingRequests_ == 0) {
      queue_.push_back(std::move(answer));
      return;
    }
    --waitingRequests_;
  }
  Send(answer);
}

void TOLAClientScreen::Send(const Answer& answer) {
  if (answer.dimension)
    SendScreenDimension(answer.dimension->first, answer.dimension->second, answer.frame);
  else
    SendFrame(answer.frame);
}

void TOLAClientScreen::QueueFrame(TOLAFrameUpdateMessageData frame) {
  Queue(Answer{std::nullopt, std::move(frame)});
}

void TOLAClientScreen::QueueScreenDimension(int16_t width, int16_t height,
                                            TOLAFrameUpdateMessageData frame) {
  Queue(Answer{std::make_pair(width, height), std::move(frame)});
}

void TOLAClientScreen::SendFrame(const TOLAFrameUpdateMessageData& frame) {
  std::lock_guard lock(sendMutex_);
  WriteMessageCode(mcFrameUpdate);
  WriteComponent(frame);
}

void TOLAClientScreen::SendScreenDimension(int16_t width, int16_t height,
                                           const TOLAFrameUpdateMessageData& frame) {
  TOLAScreenDimensionMessageData dimension;
  dimension.Width = width;
  dimension.Height = height;
  std::lock_guard lock(sendMutex_);
  WriteMessageCode(mcScreenDimension);
  WriteComponent(dimension);
  WriteComponent(frame);
}

void TOLAClientCursor::SendCursorPosition(int16_t left, int16_t top) {
  TOLAMouseMoveMessageData position;
  position.Left = left;
  position.Top = top;
  std::lock_guard lock(sendMutex_);
  WriteMessageCode(mcCursorPosition);
  WriteComponent(position);
}

void TOLAClientCursor::SendCursorImage(int16_t hotSpotX, int16_t hotSpotY, const PngPicture& image) {
  TOLACursorChangeMessageData change;
  change.HotSpotX = hotSpotX;
  change.HotSpotY = hotSpotY;
  change.Image = image;
  std::lock_guard lock(sendMutex_);
  WriteMessageCode(mcCursorImage);
  WriteComponent(change);
}

}  // namespace corvane::session
