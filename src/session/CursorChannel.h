#pragma once
// The cursor channel (identifier 17): receives the shape and the position of the customer's mouse
// cursor.
//
// Threads: HandleMessage and CursorPosChanged run on the connection's thread; the events, and the
// reads of CursorImage, HotSpot and CursorPos they make, on the main thread (TOLAIdServerCursor
// raises them while the connection thread waits). lock_ guards the cursor position and the hot
// spot; CursorImage is an atomic pointer, set only while OnCursorImageChange runs.

#include <atomic>
#include <functional>

#include "base/ReadWriteLock.h"
#include "session/ChannelComponent.h"
#include "session/Geometry.h"
#include "session/Image.h"

namespace corvane::session {

class TOLAServerCursor : public TOLACustomServer {
public:
  using TOLACustomServer::TOLACustomServer;

  TOLAMessageCode ChannelId() const override { return mcChannelCursor; }

  // The new cursor image while OnCursorImageChange runs, nullptr otherwise.
  const Image* CursorImage() const { return cursorImage_.load(); }
  // Hot spot of the last received cursor image.
  TPoint HotSpot() const;
  // Last received position of the cursor image.
  TPoint CursorPos() const;

  std::function<void(TOLAServerCursor&)> OnCursorImageChange;
  std::function<void(TOLAServerCursor&, int32_t NewLeft, int32_t NewTop)> OnCursorImagePosChange;

  void HandleMessage(TOLAMessageCode code) override;

protected:
  void DoCursorImageChange();
  void DoCursorPosChange();
  virtual void CursorImageChanged() {}
  // Stores the position if it differs from the last one.
  virtual void CursorPosChanged(int32_t left, int32_t top);

private:
  mutable base::ReadWriteLock lock_;
  TPoint cursorPos_;
  TPoint hotSpot_;
  std::atomic<const Image*> cursorImage_{nullptr};
};

class TOLAIdServerCursor final : public TOLAServerCursor {
public:
  TOLAIdServerCursor(TComponent* owner, base::MainLoop& loop);

protected:
  TOLACustomIOHandler* CreateIOHandler() override;
  void CursorImageChanged() override;
  // Raises OnCursorImagePosChange whether or not the position changed.
  void CursorPosChanged(int32_t left, int32_t top) override;
};

}  // namespace corvane::session
