#include <gtest/gtest.h>

#include <filesystem>

#include "FileTransfertTestSupport.h"
#include "base/ManualLoop.h"
#include "session/FileReceiver.h"
#include "session/FileSender.h"
#include "session/FileTransfertError.h"
#include "session/SessionError.h"

using namespace corvane;
using namespace corvane::session;
using namespace corvane::session::testing;

namespace {

// A transport that keeps the wire bytes a sender writes, with no connection behind it.
class RecordingTransport final : public IOLATransport {
public:
  std::string wire;
  // The next block fails as a source read error does: its prefix and part of its bytes are out.
  bool breakNextBlock = false;

  TOLAMessageCode ReadMessageCode(int) override { return mcDisconnect; }
  int32_t ReadInteger() override { return 0; }
  uint16_t ReadWord() override { return 0; }
  uint8_t ReadByte() override { return 0; }
  uint32_t ReadCardinal() override { return 0; }
  void ReadComponent(TOLAStreamable&) override {}
  void ReadStream(base::Stream&, int64_t) override {}
  std::string ReadLn() override { return {}; }
  void WriteMessageCode(TOLAMessageCode code) override { wire += MessageCodeLine(code); }
  void WriteInteger(int32_t) override {}
  void WriteWord(uint16_t) override {}
  void WriteByte(uint8_t) override {}
  void WriteCardinal(uint32_t) override {}
  void WriteComponent(const TOLAStreamable& record) override { wire += Block(EncodeComponent(record)); }
  // The connection's rules for which bytes go out; always with the length prefix here.
  void WriteStream(base::Stream& stream, int64_t size, bool, bool fromStart) override {
    if (fromStart) {
      if (size > 0) stream.Seek(0);
      if (size < 0) size = 0;
    } else if (size == 0) {
      size = -1;
    }
    if (size == 0) stream.Seek(0);
    const int64_t count = size > 0 ? size : stream.Size() - stream.Position();
    std::string bytes(static_cast<size_t>(count), '\0');
    bytes.resize(stream.Read(bytes.data(), bytes.size()));
    if (breakNextBlock) {
      breakNextBlock = false;
      wire += Block(bytes).substr(0, 4 + bytes.size() / 2);
      throw base::StreamError("Stream ended while being sent");
    }
    wire += Block(bytes);
  }
  void WriteLn(std::string_view text) override { wire += std::string(text) + "\r\n"; }
  bool Connected() override { return true; }
};

struct SenderFixture {
  base::ManualLoop loop;
  RecordingTransport transport;
  TempFolder folder;
  std::vector<TOLAFileTransfertProgressInfos> reports;
  bool finished = false;

  std::unique_ptr<TOLAFileSender> Make(const std::string& path) {
    auto sender = std::make_unique<TOLAFileSender>(transport, loop, path);
    sender->OnProgress = [this](TOLAFileTransfertCore&, const TOLAFileTransfertProgressInfos& i) {
      reports.push_back(i);
    };
    sender->OnFinished = [this](TOLAFileSender&) { finished = true; };
    return sender;
  }
};

}  // namespace

TEST(FileSenderTest, BlockSizeIsHalfASecondOfDataWithinBounds) {
  struct Case {
    double bytesPerSecond;
    uint32_t blockSize;
  } cases[] = {
      {10000, 5000},
      {1500, 1024},
      {0, 1024},
      {2'000'000, 1'000'000},
      {2'097'151, 1'048'575},
      {50'000'000, TOLAFileSender::kMaxBlockSize},
      {1e15, TOLAFileSender::kMaxBlockSize},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TOLAFileSender::BlockSizeFor(c.bytesPerSecond), c.blockSize) << c.bytesPerSecond;
  EXPECT_EQ(TOLAFileSender::kMaxBlockSize, 1024u * 1024u);
}

TEST(FileSenderTest, FirstSixBlocksOfAWindowKeepTheDefaultSize) {
  SenderFixture f;
  const std::string path = f.folder / "data.bin";
  WriteFile(path, RandomBytes(400'000));
  auto sender = f.Make(path);
  sender->Start("");
  // One block every 100 virtual milliseconds: after six blocks of 15360 bytes in 500 ms the speed
  // is 184320 B/s, so the seventh block holds half a second of that.
  while (!f.finished) {
    sender->SendNextBlock();
    f.loop.advance(100);
  }
  sender->Finish();
  const auto messages = ParseTransferWire(f.transport.wire);
  std::vector<size_t> sizes;
  std::string received;
  for (const auto& m : messages)
    if (m.code == mcFileBlock) {
      sizes.push_back(m.payload.size());
      received += m.payload;
    }
  ASSERT_GE(sizes.size(), 8u);
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(sizes[i], 15360u) << "block " << i + 1;
  EXPECT_EQ(sizes[6], 92160u);
  EXPECT_EQ(received, ReadFile(path));
  EXPECT_EQ(f.reports.back().Status, ftsTransferred);
  EXPECT_GT(f.reports.back().BytesPerSecond, 0);
}

TEST(FileSenderTest, SmallFileGoesOutAsHeaderBlockAndTwoEndCodes) {
  SenderFixture f;
  const std::string path = f.folder / "note.txt";
  WriteFile(path, "hello");
  auto sender = f.Make(path);
  sender->SetAuthorizations(AuthorizationBit(aeoCanSave));
  sender->Start("");
  while (!f.finished) sender->SendNextBlock();
  sender->Finish();

  const auto messages = ParseTransferWire(f.transport.wire);
  ASSERT_EQ(messages.size(), 4u);
  EXPECT_EQ(messages[0].code, mcFileHeader);
  EXPECT_EQ(messages[1].code, mcFileBlock);
  EXPECT_EQ(messages[1].payload, "hello");
  EXPECT_EQ(messages[2].code, mcFileEnd);
  EXPECT_EQ(messages[3].code, mcFileEnd);
  const auto header = DecodeHeader(messages[0].payload);
  EXPECT_EQ(header.FileName, path);
  EXPECT_EQ(header.FileSize, 5);
  EXPECT_EQ(header.Authorizations, AuthorizationBit(aeoCanSave));

  std::vector<TOLAFileTransfertStatus> statuses;
  for (const auto& r : f.reports) statuses.push_back(r.Status);
  EXPECT_EQ(statuses, (std::vector<TOLAFileTransfertStatus>{ftsPreparing, ftsTransferring, ftsTransferred}));
  EXPECT_EQ(f.reports.back().Direction, ftdSend);
  EXPECT_TRUE(std::filesystem::exists(path));  // a plain file is kept
}

TEST(FileSenderTest, UnreadableOrShortenedFileEndsCancelledNeverTransferred) {
  struct Case {
    const char* why;
    bool packedFolder;
  } cases[] = {{"plain file", false}, {"packed folder", true}};
  for (const auto& c : cases) {
    SenderFixture f;
    const std::string path = f.folder / "big.bin";
    WriteFile(path, RandomBytes(100'000));
    auto sender = f.Make(path);
    sender->Start(c.packedFolder ? "C:\\Users\\me\\Folder" : "");
    sender->SendNextBlock();
    std::filesystem::resize_file(path, 20'000);  // shortened while being sent
    EXPECT_THROW(sender->SendNextBlock(), AbortError) << c.why;
    sender->Finish();
    EXPECT_EQ(f.reports.back().Status, ftsCancelled) << c.why;
    EXPECT_LT(f.reports.back().Transferred, f.reports.back().FileSize);
    const auto messages = ParseTransferWire(f.transport.wire);
    EXPECT_EQ(messages.back().code, mcFileCancel) << c.why;
    // The packed folder was made for this transfer only and goes away with it.
    EXPECT_EQ(std::filesystem::exists(path), !c.packedFolder) << c.why;
  }
}

TEST(FileSenderTest, ReadErrorInsideABlockWritesNothingMoreIntoIt) {
  SenderFixture f;
  const std::string path = f.folder / "big.bin";
  WriteFile(path, RandomBytes(100'000));
  auto sender = f.Make(path);
  sender->Start("");
  sender->SendNextBlock();
  f.transport.breakNextBlock = true;
  // Not an abort: the half-sent block cannot be completed, so the connection has to end.
  EXPECT_THROW(sender->SendNextBlock(), EFileTransfertError);
  const std::string wireAtError = f.transport.wire;
  sender->Finish();
  EXPECT_EQ(f.transport.wire, wireAtError);  // no code 40 inside the block
  EXPECT_EQ(f.reports.back().Status, ftsCancelled);
}

TEST(FileSenderTest, MissingFileAtStartIsReportedCancelled) {
  SenderFixture f;
  auto sender = f.Make(f.folder / "gone.bin");
  EXPECT_THROW(sender->Start(""), SessionError);
  EXPECT_EQ(f.reports.back().Status, ftsPreparing);
  sender->Finish();
  EXPECT_EQ(f.reports.back().Status, ftsCancelled);
  const auto messages = ParseTransferWire(f.transport.wire);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].code, mcFileCancel);
}

TEST(FileReceiverTest, TemporaryFileKeepsOnlyASafeExtension) {
  struct Case {
    const char* senderName;
    const char* extension;
  } cases[] = {
      {"C:\\dir\\report.final.pdf", ".pdf"},
      {"/home/me/archive.tar.gz", ".gz"},
      {"C:\\dir.d\\README", ""},
      {"C:evil.sh", ".sh"},
      {"C:\\x\\..\\..\\Windows\\system32\\drivers\\etc\\hosts", ""},
      {"name.p df", ""},
      {"name.a/b", ""},
      {"name.", ""},
      {"trail.exe\\", ""},
      {"x.abcdefghijklmnopq", ""},
      {"x.\xC3\xA9t\xC3\xA9", ""},
      {"Folder.z", ".z"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TOLAFileReceiver::SafeExtension(c.senderName), c.extension) << c.senderName;
}
