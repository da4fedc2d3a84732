#include <gtest/gtest.h>

#include "LargePicture.h"

#include "session/MessageCode.h"
#include "session/MessageData.h"
#include "session/Png.h"
#include "session/ScreenOptions.h"
#include "session/SessionError.h"

using namespace corvane::session;

namespace {

std::string S(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}
std::string Short(std::string_view text) { return static_cast<char>(text.size()) + std::string(text); }

// The bytes a single property entry of a stream starts with, for searching.
std::string Entry(std::string_view name, int tag) { return Short(name) + static_cast<char>(tag); }

Image Checker(int w, int h) {
  Image img(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.at(x, y) = ((x + y) % 2) ? 0xFF102030u : 0x80FFEEDDu;
  return img;
}

}  // namespace

TEST(MessageCode, LinesMapToCodes) {
  struct Case {
    std::string line;
    int code;
  } cases[] = {{"P", 15}, {"", 1}, {"PQ", 0}, {"!", 224}, {"A", 0}, {"i", 40}, {"\\", 27}};
  for (const auto& c : cases) EXPECT_EQ(MessageCodeFromLine(c.line), c.code) << c.line;
  EXPECT_EQ(MessageCodeLine(mcMouseMove), "N\r\n");
  EXPECT_EQ(MessageCodeLine(mcFileCancel), "i\r\n");
}

TEST(ComponentStream, MouseMoveIsByteExact) {
  TOLAMouseMoveMessageData move;
  move.Left = 100;
  move.Top = 300;
  const std::string expected = "TPF0" + Short("TOLAMouseMoveMessageData") + S({0}) +
                               Short("Left") + S({0x02, 0x64}) + Short("Top") +
                               S({0x03, 0x2C, 0x01}) + S({0, 0});
  const std::string stream = EncodeComponent(move);
  EXPECT_EQ(stream, expected);
  EXPECT_EQ(stream.size(), 46u);
}

TEST(ComponentStream, IntegersTakeTheSmallestTag) {
  struct Case {
    int64_t value;
    std::string bytes;
  } cases[] = {
      {127, S({0x02, 0x7F})},
      {-128, S({0x02, 0x80})},
      {128, S({0x03, 0x80, 0x00})},
      {200, S({0x03, 0xC8, 0x00})},
      {70000, S({0x04, 0x70, 0x11, 0x01, 0x00})},
      {5000000000LL, S({0x13, 0x00, 0xF2, 0x05, 0x2A, 0x01, 0x00, 0x00, 0x00})},
  };
  for (const auto& c : cases) {
    TOLAFileTransfertMessageData header;
    header.FileSize = c.value;
    const std::string stream = EncodeComponent(header);
    EXPECT_NE(stream.find(Short("FileSize") + c.bytes), std::string::npos) << c.value;
    TOLAFileTransfertMessageData back;
    DecodeComponent(stream, back);
    EXPECT_EQ(back.FileSize, c.value);
  }
}

TEST(ComponentStream, StringTagsFollowTheTextsWidth) {
  struct Case {
    std::string name;
    int tag;
  } cases[] = {
      {"report.pdf", 0x06},
      {std::string(300, 'a'), 0x0C},
      {"C:\\donn\xC3\xA9" "es\\r\xC3\xA9sum\xC3\xA9.txt", 0x14},  // accents mixed into ASCII
      {"\xC3\xA9", 0x12},                                         // only two-byte characters
  };
  for (const auto& c : cases) {
    TOLAFileTransfertMessageData header;
    header.FileName = c.name;
    const std::string stream = EncodeComponent(header);
    EXPECT_NE(stream.find(Entry("FileName", c.tag)), std::string::npos) << c.name;
    TOLAFileTransfertMessageData back;
    DecodeComponent(stream, back);
    EXPECT_EQ(back.FileName, c.name);
  }
}

TEST(ComponentStream, OptionalFileHeaderFieldsAreLeftOut) {
  TOLAFileTransfertMessageData header;
  header.FileName = "a.txt";
  header.Authorizations = AuthorizationBit(aeoCanSave);
  const std::string stream = EncodeComponent(header);
  EXPECT_EQ(stream.find("DirectoryName"), std::string::npos);
  EXPECT_EQ(stream.find("FileSize"), std::string::npos);
  EXPECT_NE(stream.find(Entry("Authorizations", 0x0B) + Short("aeoCanSave") + S({0})),
            std::string::npos);
  TOLAFileTransfertMessageData back;
  back.DirectoryName = "";
  DecodeComponent(stream, back);
  EXPECT_EQ(back.DirectoryName, "");
  EXPECT_EQ(back.Authorizations, AuthorizationBit(aeoCanSave));
}

TEST(ComponentStream, SetsListMembersInOrdinalOrder) {
  TOLAKeyboardStateMessageData state;
  EXPECT_NE(EncodeComponent(state).find(Entry("KeybState", 0x0B) + S({0})), std::string::npos);
  state.KeybState = SpecialKeyBit(ksVerNum) | SpecialKeyBit(ksShift);
  const std::string stream = EncodeComponent(state);
  EXPECT_NE(stream.find(Entry("KeybState", 0x0B) + Short("ksShift") + Short("ksVerNum") + S({0})),
            std::string::npos);
  TOLAKeyboardStateMessageData back;
  DecodeComponent(stream, back);
  EXPECT_EQ(back.KeybState, state.KeybState);
}

TEST(ComponentStream, EmptyFrameCarriesBothCollections) {
  TOLAFrameUpdateMessageData frame;
  const std::string expected = "TPF0" + Short("TOLAFrameUpdateMessageData") + S({0}) +
                               Short("PngUpdates") + S({0x0E, 0x00}) + Short("CopyRectUpdates") +
                               S({0x0E, 0x00}) + S({0, 0});
  EXPECT_EQ(EncodeComponent(frame), expected);
}

TEST(ComponentStream, FrameRoundTripKeepsPatchesAndRectangles) {
  TOLAFrameUpdateMessageData frame;
  frame.PngUpdates.push_back({10, 20, {Checker(5, 3), {}}});
  frame.PngUpdates.push_back({-1, 7, {Checker(1, 1), {}}});
  frame.CopyRectUpdates.push_back({0, 0, 10, 10, 5, 5});
  TOLAFrameUpdateMessageData back;
  DecodeComponent(EncodeComponent(frame), back);
  ASSERT_EQ(back.PngUpdates.size(), 2u);
  EXPECT_EQ(back.PngUpdates[0].Left, 10);
  EXPECT_EQ(back.PngUpdates[0].Image.Picture, Checker(5, 3));
  EXPECT_EQ(back.PngUpdates[1].Left, -1);
  ASSERT_EQ(back.CopyRectUpdates.size(), 1u);
  EXPECT_EQ(back.CopyRectUpdates[0].Right, 10);
  EXPECT_EQ(back.CopyRectUpdates[0].PosY, 5);
}

TEST(ComponentStream, ReaderIsLenientWhereThePeerMayDiffer) {
  // Another class name, upper-case property names, a flags prefix, item indexes before items.
  const std::string stream = "TPF0" + S({0xF2, 0x02, 0x05}) + Short("SomethingElse") + Short("x") +
                             Short("LEFT") + S({0x04, 0x10, 0x00, 0x01, 0x00}) + S({0, 0});
  TOLAMouseMoveMessageData move;
  move.Top = 9;
  DecodeComponent(stream, move);
  EXPECT_EQ(move.Left, 16);  // 65552 truncated to 16 bits
  EXPECT_EQ(move.Top, 9);    // absent: keeps its value

  const std::string frame = "TPF0" + Short("F") + S({0}) + Short("CopyRectUpdates") +
                            S({0x0E, 0x02, 0x00, 0x01}) + Short("PosX") + S({0x02, 0x03, 0x00}) +
                            S({0x00}) + S({0, 0});
  TOLAFrameUpdateMessageData f;
  DecodeComponent(frame, f);
  ASSERT_EQ(f.CopyRectUpdates.size(), 1u);
  EXPECT_EQ(f.CopyRectUpdates[0].PosX, 3);
}

TEST(ComponentStream, MalformedStreamsFailCleanly) {
  TOLAMouseButtonMessageData button;
  button.Left = 300;
  button.Button = mbRight;
  const std::string good = EncodeComponent(button);
  const std::string head = "TPF0" + Short("TOLAMouseButtonMessageData") + S({0});
  struct Case {
    const char* why;
    std::string bytes;
  } cases[] = {
      {"signature", "TPF1" + good.substr(4)},
      {"unknown property", head + Short("Right") + S({0x02, 1, 0, 0})},
      {"tag unsuited", head + Short("Left") + S({0x06, 1, 'a', 0, 0})},
      {"not a member", head + Short("Button") + S({0x07}) + Short("mbFourth") + S({0, 0})},
      {"length past end", head + Short("Left") + S({0x0C, 0xFF, 0xFF, 0xFF, 0x7F})},
      {"collection without end",
       "TPF0" + Short("F") + S({0}) + Short("PngUpdates") + S({0x0E, 0x01, 0x01, 0x01})},
      {"bad png", "TPF0" + Short("C") + S({0}) + Short("i") + S({0x0A, 3, 0, 0, 0, 'P', 'N', 'G', 0, 0})},
  };
  for (const auto& c : cases) {
    TOLAMouseButtonMessageData b;
    TOLAFrameUpdateMessageData f;
    TOLACursorChangeMessageData k;
    TOLAStreamable& target = std::string(c.why) == "collection without end" ? static_cast<TOLAStreamable&>(f)
                             : std::string(c.why) == "bad png"              ? static_cast<TOLAStreamable&>(k)
                                                                            : static_cast<TOLAStreamable&>(b);
    EXPECT_THROW(DecodeComponent(c.bytes, target), SessionError) << c.why;
  }
  // Every truncation of a valid stream fails instead of reading past the end.
  for (size_t n = 0; n < good.size(); ++n) {
    TOLAMouseButtonMessageData b;
    EXPECT_THROW(DecodeComponent(good.substr(0, n), b), StreamFormatError) << n;
  }
}

TEST(ScreenOptions, SettersClampAndFlagChanges) {
  TDadScreenOptions o;
  o.SetCompression(1);
  o.SetAccuracy(100);
  o.SetFullScreenUpdateInterval(5000);
  o.SetPixelFormat(pf15bit);
  EXPECT_EQ(o.Compression(), 2);
  EXPECT_EQ(o.Accuracy(), 95);
  EXPECT_EQ(o.FullScreenUpdateInterval(), 3000u);
  EXPECT_EQ(o.PixelFormat(), pf16bit);
  EXPECT_EQ(o.ChangeFlags(), 0x02 | 0x04 | 0x10 | 0x20);
  o.RequestOptions();
  TDadScreenOptions::Values v;
  EXPECT_EQ(o.TakeChanges(v), 0x01 | 0x02 | 0x04 | 0x10 | 0x20);
  EXPECT_EQ(o.ChangeFlags(), 0);
  EXPECT_EQ(v.Compression, 2);
}

TEST(ScreenOptions, StreamIsReadThroughTheSetters) {
  TDadScreenOptions sent;
  sent.SetAccuracy(70);
  sent.SetPixelFormat(pf24bit);
  sent.SetGrayScale(true);
  const std::string stream = EncodeComponent(sent);
  const std::string expected = "TPF0" + Short("TDadScreenOptions") + S({0}) + Short("Accuracy") +
                               S({0x02, 70}) + Short("PixelFormat") + S({0x07}) + Short("pf24bit") +
                               Short("Compression") + S({0x02, 4}) + Short("GrayScale") + S({0x09}) +
                               Short("FullScreenUpdateInterval") + S({0x03, 0x84, 0x03}) + S({0, 0});
  EXPECT_EQ(stream, expected);
  TDadScreenOptions received;
  DecodeComponent(stream, received);
  EXPECT_EQ(received.Accuracy(), 70);
  EXPECT_TRUE(received.GrayScale());
  EXPECT_EQ(received.ChangeFlags(), 0x3E);  // every value read sets its change bit
}

TEST(Png, RoundTripAndLimits) {
  const Image img = Checker(17, 9);
  EXPECT_EQ(DecodePng(EncodePng(img, 6)), img);
  EXPECT_THROW(DecodePng("not a png at all"), PngError);
  std::string png = EncodePng(img, 1);
  EXPECT_THROW(DecodePng(png.substr(0, png.size() / 2)), PngError);
  // A small file announcing a huge picture is refused before any pixel memory is taken.
  EXPECT_THROW(DecodePng(EncodePng(Checker(64, 64)), PngLimits{32, 1 << 20}), PngError);
  EXPECT_THROW(DecodePng(EncodePng(Checker(64, 64)), PngLimits{1024, 1000}), PngError);
}

TEST(FrameUpdate, PatchesShareOneDecodedPixelBudget) {
  TOLAFrameUpdateMessageData sent;
  for (int16_t i = 0; i < 3; ++i) sent.PngUpdates.push_back({i, i, {Checker(10, 10), {}}});
  const std::string stream = EncodeComponent(sent);
  struct Case {
    uint64_t budget;
    bool fits;
  } cases[] = {{300, true}, {299, false}, {100, false}, {0, false}};  // 100: the second patch fails
  for (const auto& c : cases) {
    TOLAFrameUpdateMessageData received;
    received.MaxDecodedPixels = c.budget;
    if (c.fits) {
      EXPECT_NO_THROW(DecodeComponent(stream, received)) << c.budget;
      EXPECT_EQ(received.PngUpdates.size(), 3u);
    } else {
      EXPECT_THROW(DecodeComponent(stream, received), PngTooLargeError) << c.budget;
    }
  }
  // No screen known yet: the ceiling; a huge screen: still the ceiling.
  EXPECT_EQ(TOLAFrameUpdateMessageData::DecodedPixelsBudget(0, 0), kMaxFramePixels);
  EXPECT_EQ(TOLAFrameUpdateMessageData::DecodedPixelsBudget(1024, 768), 4u * 1024 * 768);
  EXPECT_EQ(TOLAFrameUpdateMessageData::DecodedPixelsBudget(16384, 16384), kMaxFramePixels);
}

TEST(FrameUpdate, ManyLargeDeclaredPatchesFailBeforeTheirPixelsAreTaken) {
  using namespace corvane::session::testing;
  // Each patch is a valid PNG of 8192x8192 black pixels, within the limit of one picture, in a few
  // kilobytes; three hundred of them would decode to 75 GiB.
  const std::string png = ZeroPng(8192, 8192);
  ASSERT_LT(png.size(), 64u * 1024);
  EXPECT_EQ(DecodePng(ZeroPng(24, 8)), Image(24, 8, 0xFF000000u));  // the same kind of file, small
  TOLAFrameUpdateMessageData sent;
  for (int i = 0; i < 300; ++i) sent.PngUpdates.emplace_back().Image.Png = png;
  const std::string stream = EncodeComponent(sent);

  AddressSpaceCap cap(1536);
  const long before = PeakMemoryMiB();
  TOLAFrameUpdateMessageData received;
  received.MaxDecodedPixels = TOLAFrameUpdateMessageData::DecodedPixelsBudget(1024, 768);
  EXPECT_THROW(DecodeComponent(stream, received), PngTooLargeError);
  EXPECT_LT(PeakMemoryMiB() - before, 64);
}

TEST(ComponentStream, CollectionsHoldABoundedNumberOfItems) {
  // Empty items are two bytes each on the wire.
  auto frame = [](size_t items) {
    std::string s = "TPF0" + Short("TOLAFrameUpdateMessageData") + S({0}) + Short("CopyRectUpdates") + S({0x0E});
    for (size_t i = 0; i < items; ++i) s += S({0x01, 0x00});
    return s + S({0x00, 0x00, 0x00});
  };
  TOLAFrameUpdateMessageData full;
  DecodeComponent(frame(kMaxCollectionItems), full);
  EXPECT_EQ(full.CopyRectUpdates.size(), kMaxCollectionItems);
  TOLAFrameUpdateMessageData over;
  EXPECT_THROW(DecodeComponent(frame(kMaxCollectionItems + 1), over), StreamFormatError);
}
