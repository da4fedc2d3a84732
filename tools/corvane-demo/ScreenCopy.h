#pragma once
// The agent's copy of the customer's screen, kept from the screen channel's frame events the way
// the remote screen view keeps its picture: a new size starts a black picture, moved rectangles
// and PNG patches are drawn in frame order.
//
// Main thread only (the session model raises the screen channel's events there).

#include <cstdint>
#include <string>

#include "assistance/SessionAssistanceModel.h"
#include "session/Image.h"

namespace corvane::demo {

class ScreenCopy {
public:
  // Subscribes to the session model's dimension, rectangle and picture events.
  void Attach(assistance::TFrmInstanceCorvaneAgentModel& model);

  const session::Image& Picture() const { return picture_; }
  int Patches() const { return patches_; }
  int MovedRectangles() const { return moves_; }
  // Pixels that are neither black nor grey: a colour picture has many, a grey one none.
  int64_t ColouredPixels() const;

  // Writes the picture as a PNG file (through a temporary file); throws DemoError.
  void SavePng(const std::string& path) const;

private:
  session::Image picture_;
  int patches_ = 0;
  int moves_ = 0;
};

}  // namespace corvane::demo
