#include "ScreenCopy.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "DemoError.h"
#include "session/Png.h"
#include "session/ScreenPicture.h"

namespace corvane::demo {

void ScreenCopy::Attach(assistance::TFrmInstanceCorvaneAgentModel& model) {
  model.OnDimensionsEcran.Subscribe([this](int32_t width, int32_t height) {
    picture_ = session::Image(width, height, 0xFF000000u);
  });
  model.OnCopieRectangle.Subscribe([this](const session::TRect& src, const session::TRect& dest) {
    ++moves_;
    session::CopyRectangle(picture_, src, dest);
  });
  model.OnImage.Subscribe([this](const session::Image& patch, uint16_t x, uint16_t y) {
    ++patches_;
    session::DrawPicture(picture_, patch, x, y);
  });
}

int64_t ScreenCopy::ColouredPixels() const {
  int64_t count = 0;
  for (uint32_t p : picture_.pixels) {
    const uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    if (r != g || g != b) ++count;
  }
  return count;
}

void ScreenCopy::SavePng(const std::string& path) const {
  if (picture_.empty()) throw DemoError("No picture of the customer's screen was received");
  const std::string bytes = session::EncodePng(picture_, 6);
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw DemoError("Cannot write " + temporary);
  }
  std::error_code ec;
  std::filesystem::rename(temporary, path, ec);
  if (ec) {
    std::filesystem::remove(temporary, ec);
    throw DemoError("Cannot write " + path);
  }
}

}  // namespace corvane::demo
