#include "session/ScreenChannel.h"

#include <chrono>

#include "session/SessionError.h"

namespace corvane::session {

namespace {
// An inactive step re-checks the connection this often: a closed connection has no wake-up of its
// own, and closing a session must not wait for the whole inactive interval.
constexpr auto kInactiveSlice = std::chrono::milliseconds(50);
}  // namespace

TOLAServerScreen::TOLAServerScreen(TComponent* owner, base::MainLoop& loop)
    : TOLACustomServer(owner, loop) {
  // The session's option values; setting them marks each as changed.
  options_.SetAccuracy(50);
  options_.SetPixelFormat(pf4bit);
  options_.SetCompression(4);
  options_.SetGrayScale(false);
  options_.SetFullScreenUpdateInterval(900);
}

void TOLAServerScreen::SetActive(bool value) {
  {
    std::lock_guard lock(activeMutex_);
    active_.store(value);
  }
  activeChanged_.notify_all();
}

void TOLAServerScreen::WaitWhileInactive() {
  using Clock = std::chrono::steady_clock;
  const auto until = Clock::now() + std::chrono::milliseconds(kInactiveWaitMs);
  std::unique_lock lock(activeMutex_);
  while (!active_.load() && Connected()) {
    const auto now = Clock::now();
    if (now >= until) return;
    activeChanged_.wait_until(lock, std::min(until, now + kInactiveSlice));
  }
}

void TOLAServerScreen::ExecuteStep() {
  if (!Active()) {
    WaitWhileInactive();
    return;
  }
  WriteOptionChanges();
  WriteMessageCode(mcFrameRequest);
  ListenStep();
}

void TOLAServerScreen::WriteOptionChanges() {
  TDadScreenOptions::Values v;
  const uint8_t flags = options_.TakeChanges(v);
  if (flags & TDadScreenOptions::kRequestOptions) {
    WriteMessageCode(mcScreenOptions);
    return;
  }
  if (flags & TDadScreenOptions::kAccuracyChanged) {
    WriteMessageCode(mcAccuracy);
    WriteByte(static_cast<uint8_t>(v.Accuracy));
  }
  if (flags & TDadScreenOptions::kCompressionChanged) {
    WriteMessageCode(mcCompression);
    WriteByte(static_cast<uint8_t>(v.Compression));
  }
  if (flags & TDadScreenOptions::kGrayScaleChanged) {
    WriteMessageCode(mcGrayScale);
    WriteByte(v.GrayScale ? 1 : 0);
  }
  if (flags & TDadScreenOptions::kPixelFormatChanged) {
    WriteMessageCode(mcPixelFormat);
    WriteByte(static_cast<uint8_t>(v.PixelFormat));
  }
  if (flags & TDadScreenOptions::kFullScreenUpdateIntervalChanged) {
    WriteMessageCode(mcFullScreenUpdateInterval);
    WriteCardinal(v.FullScreenUpdateInterval);
  }
}

void TOLAServerScreen::HandleMessage(TOLAMessageCode code) {
  switch (code) {
    case mcScreenOptions:
      // Read through the setters: each value is clamped and marked changed, so the next step
      // sends the customer's values back.
      ReadComponent(options_);
      DoOptionsChanged();
      break;
    case mcScreenDimension: {
      TOLAScreenDimensionMessageData dimension;
      ReadComponent(dimension);
      if (dimension.Width <= 0 || dimension.Height <= 0 || dimension.Width > kMaxScreenSide ||
          dimension.Height > kMaxScreenSide)
        throw ScreenDimensionError("Invalid screen dimensions " + std::to_string(dimension.Width) +
                                   "x" + std::to_string(dimension.Height));
      DoScreenDimensionsChange(dimension.Width, dimension.Height);
      ReadFrame();  // the frame follows at once, without a code line
      break;
    }
    case mcFrameUpdate:
      ReadFrame();
      break;
    default:
      break;
  }
}

void TOLAServerScreen::ReadFrame() {
  TOLAFrameUpdateMessageData frame;
  // A frame decodes to a few screens' worth of pixels at most, whatever number of patches it
  // holds; past that the record fails and the connection ends.
  frame.MaxDecodedPixels =
      TOLAFrameUpdateMessageData::DecodedPixelsBudget(ScreenWidth(), ScreenHeight());
  ReadComponent(frame);
  struct ClearCurrent {
    std::atomic<const TOLAFrameUpdateMessageData*>& ref;
    ~ClearCurrent() { ref.store(nullptr); }
  } clear{currentFrame_};
  DoFrameUpdate(frame);
}

void TOLAServerScreen::DoFrameUpdate(const TOLAFrameUpdateMessageData& frame) {
  currentFrame_.store(&frame);
}

void TOLAServerScreen::DoScreenDimensionsChange(int32_t width, int32_t height) {
  screenWidth_.store(width);
  screenHeight_.store(height);
}

void TOLAServerScreen::RaiseFrameEvents(const TOLAFrameUpdateMessageData& frame) {
  if (OnFrameUpdateBegin) OnFrameUpdateBegin(*this);
  try {
    if (OnCopyRectUpdate) {
      for (const auto& u : frame.CopyRectUpdates) {
        const TRect src{u.Left, u.Top, u.Right, u.Bottom};
        const TRect dest{u.PosX, u.PosY, u.PosX + src.Width(), u.PosY + src.Height()};
        OnCopyRectUpdate(*this, src, dest);
      }
    }
    if (OnGraphicUpdate) {
      for (const auto& u : frame.PngUpdates)
        OnGraphicUpdate(*this, u.Image.Picture, static_cast<uint16_t>(u.Left),
                        static_cast<uint16_t>(u.Top));
    }
  } catch (...) {
    if (OnFrameUpdateEnd) OnFrameUpdateEnd(*this);
    throw;
  }
  if (OnFrameUpdateEnd) OnFrameUpdateEnd(*this);
}

// --- TCP-bound class -----------------------------------------------------------------------------

TOLAIdServerScreen::TOLAIdServerScreen(TComponent* owner, base::MainLoop& loop)
    : TOLAServerScreen(owner, loop) {
  InitIOHandler();
}

TOLACustomIOHandler* TOLAIdServerScreen::CreateIOHandler() { return new TOLAIdServerIOHandler(this); }

void TOLAIdServerScreen::DoOptionsChanged() {
  RaiseEvent([this] {
    if (OnOptionsChanged) OnOptionsChanged(*this);
  });
}

void TOLAIdServerScreen::DoFrameUpdate(const TOLAFrameUpdateMessageData& frame) {
  TOLAServerScreen::DoFrameUpdate(frame);
  RaiseEvent([this, &frame] { RaiseFrameEvents(frame); });
}

void TOLAIdServerScreen::DoScreenDimensionsChange(int32_t width, int32_t height) {
  TOLAServerScreen::DoScreenDimensionsChange(width, height);
  RaiseEvent([this] {
    if (OnScreenDimensionsChange) OnScreenDimensionsChange(*this, ScreenWidth(), ScreenHeight());
  });
}

}  // namespace corvane::session
