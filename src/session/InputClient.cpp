#include "session/InputClient.h"

namespace corvane::session {

namespace {

template <typename Record, typename Event>
void Deliver(TOLAClientInputs& client, const Event& event) {
  Record record;
  client.ReadComponent(record);
  if (event) event(client, record);
}

}  // namespace

TOLAClientInputs::~TOLAClientInputs() { StopAndWait(); }

void TOLAClientInputs::HandleMessage(TOLAMessageCode code) {
  switch (code) {
    case mcMouseButton:
      Deliver<TOLAMouseButtonMessageData>(*this, OnMouseButton);
      break;
    case mcMouseMove:
      Deliver<TOLAMouseMoveMessageData>(*this, OnMouseMove);
      break;
    case mcMouseWheel:
      Deliver<TOLAMouseWheelMessageData>(*this, OnMouseWheel);
      break;
    case mcKey:
      Deliver<TOLAKeyboardMessageData>(*this, OnKey);
      break;
    case mcKeyboardState:
      Deliver<TOLAKeyboardStateMessageData>(*this, OnKeyboardState);
      break;
    default:
      TOLAClientListeningEnd::HandleMessage(code);
      break;
  }
}

}  // namespace corvane::session
