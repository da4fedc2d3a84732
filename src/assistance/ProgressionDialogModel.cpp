#include "assistance/ProgressionDialogModel.h"

#include <cmath>

#include "base/Format.h"
#include "base/Translate.h"

namespace corvane::assistance {

namespace {
int64_t Percent(int64_t position, int64_t max) {
  return std::llround(double(position) * 100.0 / double(max));
}
}  // namespace

void ProgressionDialogModel::SetMax(int64_t max) {
  max_ = max;
  Recompute();
}

void ProgressionDialogModel::SetPosition(int64_t position) {
  if (barPosition_ == 0 || position == 0) {
    start_ = loop_.tickCount();
    valid_ = true;
    elapsed_ = left_ = total_ = 0;
  }
  if (max_ <= 0 || Percent(position, max_) != Percent(barPosition_, max_)) barPosition_ = position;
  position_ = position;
  Recompute();
}

void ProgressionDialogModel::Hide() {
  Visible = false;
  max_ = 100;
  barPosition_ = position_ = 0;
}

void ProgressionDialogModel::Recompute() {
  elapsed_ = loop_.tickCount() - start_;
  if (elapsed_ < 20 || position_ <= 0 || max_ <= 0) {
    valid_ = false;
    left_ = total_ = 0;
    return;
  }
  valid_ = true;
  const double total = double(elapsed_) * double(max_) / double(position_);
  total_ = total >= 4294967295.0 ? 4294967295u : static_cast<uint32_t>(total);
  left_ = total_ > elapsed_ ? total_ - elapsed_ : 0;
}

std::string ProgressionDialogModel::DurationText(uint32_t ms) {
  const uint32_t seconds = ms / 1000;
  return base::Format(base::Tr("%d min %.2d s"), {seconds / 60, seconds % 60});
}

std::string ProgressionDialogModel::ElapsedText() const {
  return base::Format(base::Tr("Elapsed: %s"), {DurationText(elapsed_)});
}

std::string ProgressionDialogModel::LeftText() const {
  return valid_ ? base::Format(base::Tr("Left: %s"), {DurationText(left_)}) : std::string();
}

std::string ProgressionDialogModel::TotalText() const {
  return valid_ ? base::Format(base::Tr("Total: %s"), {DurationText(total_)}) : std::string();
}

}  // namespace corvane::assistance
