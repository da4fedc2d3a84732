#pragma once
// What the packing progress dialog shows, as plain logic: caption, title line, bar maximum and
// position, and the elapsed, left and total durations with their texts. Time comes from the main
// loop's tick counter.
//
// The bar moves only when the whole percentage changes, so frequent reports cost little. The clock
// restarts whenever the bar is at 0 or the new position is 0. Estimates need 20 ms of elapsed time
// and a position and maximum above 0: total = elapsed x maximum / position, left = total - elapsed.
//
// Threads: main thread only.

#include <cstdint>
#include <string>

#include "base/MainLoop.h"

namespace corvane::assistance {

class ProgressionDialogModel {
public:
  explicit ProgressionDialogModel(base::MainLoop& loop) : loop_(loop) {}

  std::string Caption;
  std::string Title;  // shown with a path ellipsis
  bool Visible = false;

  int64_t Max() const { return max_; }
  int64_t Position() const { return barPosition_; }
  void SetMax(int64_t max);
  void SetPosition(int64_t position);
  void Show() { Visible = true; }
  // Hides the dialog and resets the bar to 0 of 100.
  void Hide();

  bool EstimatesValid() const { return valid_; }
  uint32_t ElapsedMs() const { return elapsed_; }
  uint32_t LeftMs() const { return left_; }
  uint32_t TotalMs() const { return total_; }
  // "Elapsed: 3 min 07 s"; Left and Total are empty while the estimates are not valid.
  std::string ElapsedText() const;
  std::string LeftText() const;
  std::string TotalText() const;

  // Minutes without a leading zero, seconds on two digits: "3 min 07 s".
  static std::string DurationText(uint32_t ms);

private:
  void Recompute();

  base::MainLoop& loop_;
  int64_t max_ = 100;
  int64_t barPosition_ = 0;
  int64_t position_ = 0;  // last position set, which the estimates use
  uint32_t start_ = 0;
  bool valid_ = false;
  uint32_t elapsed_ = 0, left_ = 0, total_ = 0;
};

}  // namespace corvane::assistance
