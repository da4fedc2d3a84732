#pragma once
// The screen channel (identifier 15): asks the customer for one frame update at a time, passes on
// changes of the screen options, and raises the events from which the session keeps its copy of
// the customer's screen.
//
// Threads: ExecuteStep, HandleMessage and the Do* operations run on the connection's thread.
// Active, RequestOptions and the setters of Options are for the main thread. The events run on the
// main thread while the connection thread waits (TOLAIdServerScreen). Options has its own lock;
// Active and the screen size are atomics; activeMutex_ only pairs with the wake-up condition.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "session/ChannelComponent.h"
#include "session/Geometry.h"
#include "session/MessageData.h"
#include "session/ScreenOptions.h"

namespace corvane::session {

class TOLAServerScreen : public TOLACustomServer {
public:
  // How long an inactive step waits before it returns to the connection loop.
  static constexpr int kInactiveWaitMs = 2000;

  TOLAServerScreen(TComponent* owner, base::MainLoop& loop);

  TOLAMessageCode ChannelId() const override { return mcChannelScreen; }

  // While false the execute step only waits: nothing is read or written.
  bool Active() const { return active_.load(); }
  void SetActive(bool value);
  TDadScreenOptions& Options() { return options_; }
  // Makes the next step ask the customer for its options (dropping pending option changes).
  void RequestOptions() { options_.RequestOptions(); }

  // The last received dimensions.
  int32_t ScreenWidth() const { return screenWidth_.load(); }
  int32_t ScreenHeight() const { return screenHeight_.load(); }
  // The frame being handled; valid only while the frame events run.
  const TOLAFrameUpdateMessageData* CurrentFrame() const { return currentFrame_.load(); }

  // Events (raised by TOLAIdServerScreen on the main thread).
  std::function<void(TOLAServerScreen&)> OnOptionsChanged;
  std::function<void(TOLAServerScreen&, int32_t NewWidth, int32_t NewHeight)> OnScreenDimensionsChange;
  std::function<void(TOLAServerScreen&)> OnFrameUpdateBegin;
  std::function<void(TOLAServerScreen&, const TRect& Src, const TRect& Dest)> OnCopyRectUpdate;
  // aGraphic belongs to the frame: a handler that needs it later copies it.
  std::function<void(TOLAServerScreen&, const Image& aGraphic, uint16_t X, uint16_t Y)> OnGraphicUpdate;
  std::function<void(TOLAServerScreen&)> OnFrameUpdateEnd;

  void ExecuteStep() override;
  void HandleMessage(TOLAMessageCode code) override;

protected:
  virtual void DoOptionsChanged() {}
  virtual void DoFrameUpdate(const TOLAFrameUpdateMessageData& frame);
  virtual void DoScreenDimensionsChange(int32_t width, int32_t height);
  // The frame's events as one unit: begin, moved rectangles, images, then end, also after an error.
  void RaiseFrameEvents(const TOLAFrameUpdateMessageData& frame);

private:
  void WriteOptionChanges();
  void ReadFrame();
  void WaitWhileInactive();

  TDadScreenOptions options_;
  std::atomic<bool> active_{false};
  std::mutex activeMutex_;
  std::condition_variable activeChanged_;
  std::atomic<int32_t> screenWidth_{0};
  std::atomic<int32_t> screenHeight_{0};
  std::atomic<const TOLAFrameUpdateMessageData*> currentFrame_{nullptr};
};

class TOLAIdServerScreen final : public TOLAServerScreen {
public:
  TOLAIdServerScreen(TComponent* owner, base::MainLoop& loop);

protected:
  TOLACustomIOHandler* CreateIOHandler() override;
  void DoOptionsChanged() override;
  void DoFrameUpdate(const TOLAFrameUpdateMessageData& frame) override;
  void DoScreenDimensionsChange(int32_t width, int32_t height) override;
};

}  // namespace corvane::session
