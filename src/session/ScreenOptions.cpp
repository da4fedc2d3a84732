#include "session/ScreenOptions.h"

#include <algorithm>
#include <vector>

#include "session/MessageData.h"

namespace corvane::session {

namespace {
const std::vector<std::string_view> kPixelFormats = {"pfDevice", "pf1bit",  "pf4bit",
                                                     "pf8bit",   "pf15bit", "pf16bit",
                                                     "pf24bit",  "pf32bit", "pfCustom"};
}

std::string_view PixelFormatName(TOLAPixelFormat format) { return kPixelFormats.at(format); }

int32_t TDadScreenOptions::Accuracy() const {
  base::ReadLock l(lock_);
  return values_.Accuracy;
}
TOLAPixelFormat TDadScreenOptions::PixelFormat() const {
  base::ReadLock l(lock_);
  return values_.PixelFormat;
}
int32_t TDadScreenOptions::Compression() const {
  base::ReadLock l(lock_);
  return values_.Compression;
}
bool TDadScreenOptions::GrayScale() const {
  base::ReadLock l(lock_);
  return values_.GrayScale;
}
uint32_t TDadScreenOptions::FullScreenUpdateInterval() const {
  base::ReadLock l(lock_);
  return values_.FullScreenUpdateInterval;
}
TDadScreenOptions::Values TDadScreenOptions::Snapshot() const {
  base::ReadLock l(lock_);
  return values_;
}
uint8_t TDadScreenOptions::ChangeFlags() const {
  base::ReadLock l(lock_);
  return flags_;
}

void TDadScreenOptions::SetAccuracy(int32_t value) {
  base::WriteLock l(lock_);
  values_.Accuracy = std::clamp(value, 5, 95);
  flags_ |= kAccuracyChanged;
}

void TDadScreenOptions::SetPixelFormat(int value) {
  int v = std::clamp(value, 1, 6);
  if (v == pf15bit) v = pf16bit;
  base::WriteLock l(lock_);
  values_.PixelFormat = static_cast<TOLAPixelFormat>(v);
  flags_ |= kPixelFormatChanged;
}

void TDadScreenOptions::SetCompression(int32_t value) {
  base::WriteLock l(lock_);
  values_.Compression = std::clamp(value, 2, 7);
  flags_ |= kCompressionChanged;
}

void TDadScreenOptions::SetGrayScale(bool value) {
  base::WriteLock l(lock_);
  values_.GrayScale = value;
  flags_ |= kGrayScaleChanged;
}

void TDadScreenOptions::SetFullScreenUpdateInterval(int64_t value) {
  base::WriteLock l(lock_);
  values_.FullScreenUpdateInterval = static_cast<uint32_t>(std::clamp<int64_t>(value, 300, 3000));
  flags_ |= kFullScreenUpdateIntervalChanged;
}

void TDadScreenOptions::RequestOptions() {
  base::WriteLock l(lock_);
  flags_ |= kRequestOptions;
}

uint8_t TDadScreenOptions::TakeChanges(Values& values) {
  base::WriteLock l(lock_);
  values = values_;
  const uint8_t flags = flags_;
  flags_ = 0;
  return flags;
}

void TDadScreenOptions::WriteProperties(StreamWriter& w) const {
  const Values v = Snapshot();
  w.Int("Accuracy", v.Accuracy);
  w.Ident("PixelFormat", PixelFormatName(v.PixelFormat));
  w.Int("Compression", v.Compression);
  w.Bool("GrayScale", v.GrayScale);
  w.Int("FullScreenUpdateInterval", v.FullScreenUpdateInterval);
}

bool TDadScreenOptions::ReadProperty(std::string_view name, uint8_t tag, StreamReader& r) {
  if (name == "accuracy") {
    SetAccuracy(static_cast<int32_t>(r.IntValue(tag, false)));
  } else if (name == "pixelformat") {
    const int ordinal = EnumOrdinal(kPixelFormats, r.IdentValue(tag));
    SetPixelFormat(ordinal);
  } else if (name == "compression") {
    SetCompression(static_cast<int32_t>(r.IntValue(tag, false)));
  } else if (name == "grayscale") {
    SetGrayScale(r.BoolValue(tag));
  } else if (name == "fullscreenupdateinterval") {
    SetFullScreenUpdateInterval(static_cast<uint32_t>(r.IntValue(tag, true)));
  } else if (name == "tag") {
    r.IntValue(tag, false);  // the generic tag property: accepted, not kept
  } else {
    return false;
  }
  return true;
}

}  // namespace corvane::session
