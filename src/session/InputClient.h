#pragma once
// Customer-side end of the input channel: receives the agent's mouse and keyboard messages.
// Events run on the worker thread, in the order the messages arrived.

#include <functional>

#include "session/ClientEnd.h"
#include "session/MessageData.h"

namespace corvane::session {

class TOLAClientInputs final : public TOLAClientListeningEnd {
public:
  using TOLAClientListeningEnd::TOLAClientListeningEnd;
  ~TOLAClientInputs() override;

  TOLAMessageCode ChannelId() const override { return mcChannelSpeakingInputs; }

  std::function<void(TOLAClientInputs&, const TOLAMouseButtonMessageData&)> OnMouseButton;
  std::function<void(TOLAClientInputs&, const TOLAMouseMoveMessageData&)> OnMouseMove;
  std::function<void(TOLAClientInputs&, const TOLAMouseWheelMessageData&)> OnMouseWheel;
  std::function<void(TOLAClientInputs&, const TOLAKeyboardMessageData&)> OnKey;
  std::function<void(TOLAClientInputs&, const TOLAKeyboardStateMessageData&)> OnKeyboardState;

protected:
  void HandleMessage(TOLAMessageCode code) override;
};

}  // namespace corvane::session
