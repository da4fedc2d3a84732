#include "session/CursorChannel.h"

#include "session/MessageData.h"

namespace corvane::session {

TPoint TOLAServerCursor::HotSpot() const {
  base::ReadLock l(lock_);
  return hotSpot_;
}

TPoint TOLAServerCursor::CursorPos() const {
  base::ReadLock l(lock_);
  return cursorPos_;
}

void TOLAServerCursor::HandleMessage(TOLAMessageCode code) {
  switch (code) {
    case mcCursorPosition: {
      TOLAMouseMoveMessageData position;
      ReadComponent(position);
      CursorPosChanged(position.Left, position.Top);
      break;
    }
    case mcCursorImage: {
      TOLACursorChangeMessageData change;
      ReadComponent(change);
      {
        base::WriteLock l(lock_);
        hotSpot_ = TPoint{change.HotSpotX, change.HotSpotY};
      }
      cursorImage_.store(&change.Image.Picture);
      struct ClearImage {
        std::atomic<const Image*>& ref;
        ~ClearImage() { ref.store(nullptr); }
      } clear{cursorImage_};
      CursorImageChanged();
      break;
    }
    default:
      break;
  }
}

void TOLAServerCursor::DoCursorImageChange() {
  if (OnCursorImageChange) OnCursorImageChange(*this);
}

void TOLAServerCursor::DoCursorPosChange() {
  const TPoint pos = CursorPos();
  if (OnCursorImagePosChange) OnCursorImagePosChange(*this, pos.X, pos.Y);
}

void TOLAServerCursor::CursorPosChanged(int32_t left, int32_t top) {
  const TPoint pos{left, top};
  base::WriteLock l(lock_);
  if (!(cursorPos_ == pos)) cursorPos_ = pos;
}

// --- TCP-bound class -----------------------------------------------------------------------------

TOLAIdServerCursor::TOLAIdServerCursor(TComponent* owner, base::MainLoop& loop)
    : TOLAServerCursor(owner, loop) {
  InitIOHandler();
}

TOLACustomIOHandler* TOLAIdServerCursor::CreateIOHandler() { return new TOLAIdServerIOHandler(this); }

void TOLAIdServerCursor::CursorImageChanged() {
  RaiseEvent([this] { DoCursorImageChange(); });
}

void TOLAIdServerCursor::CursorPosChanged(int32_t left, int32_t top) {
  TOLAServerCursor::CursorPosChanged(left, top);
  RaiseEvent([this] { DoCursorPosChange(); });
}

}  // namespace corvane::session
