#pragma once
// The screen options of one screen channel, with a change-flags byte: each setter stores the
// clamped value and sets its change bit; bit 0x01 asks for the customer's options.
//
// Threads: setters run on the main thread, the channel's connection thread reads the values and
// takes the flags; every access goes through the record's reader/writer lock.

#include <cstdint>

#include "base/ReadWriteLock.h"
#include "session/ComponentStream.h"

namespace corvane::session {

enum TOLAPixelFormat : uint8_t {
  pfDevice = 0,
  pf1bit = 1,
  pf4bit = 2,
  pf8bit = 3,
  pf15bit = 4,
  pf16bit = 5,
  pf24bit = 6,
  pf32bit = 7,
  pfCustom = 8,
};

class TDadScreenOptions final : public TOLAStreamable {
public:
  static constexpr uint8_t kRequestOptions = 0x01;
  static constexpr uint8_t kAccuracyChanged = 0x02;
  static constexpr uint8_t kCompressionChanged = 0x04;
  static constexpr uint8_t kGrayScaleChanged = 0x08;
  static constexpr uint8_t kPixelFormatChanged = 0x10;
  static constexpr uint8_t kFullScreenUpdateIntervalChanged = 0x20;

  // A consistent copy of the values, taken with the flags in one locked operation.
  struct Values {
    int32_t Accuracy = 50;
    TOLAPixelFormat PixelFormat = pf4bit;
    int32_t Compression = 4;
    bool GrayScale = false;
    uint32_t FullScreenUpdateInterval = 900;
  };

  int32_t Accuracy() const;
  TOLAPixelFormat PixelFormat() const;
  int32_t Compression() const;
  bool GrayScale() const;
  uint32_t FullScreenUpdateInterval() const;
  Values Snapshot() const;

  void SetAccuracy(int32_t value);                  // 5 to 95
  void SetPixelFormat(int value);                   // 1 to 6; 4 is stored as 5
  void SetCompression(int32_t value);               // 2 to 7
  void SetGrayScale(bool value);
  void SetFullScreenUpdateInterval(int64_t value);  // 300 to 3000
  void RequestOptions();                            // sets 0x01

  uint8_t ChangeFlags() const;
  // Returns the flags and the values they refer to, and clears the flags, atomically: a change made
  // meanwhile goes out with the next step rather than being lost.
  uint8_t TakeChanges(Values& values);

  std::string_view ClassName() const override { return "TDadScreenOptions"; }
  void WriteProperties(StreamWriter& w) const override;
  // Reading goes through the setters: values are clamped and set their change bits.
  bool ReadProperty(std::string_view name, uint8_t tag, StreamReader& r) override;

private:
  mutable base::ReadWriteLock lock_;
  Values values_;
  uint8_t flags_ = 0;
};

std::string_view PixelFormatName(TOLAPixelFormat format);

}  // namespace corvane::session
