#include <gtest/gtest.h>

#include "ArchiveTestSupport.h"
#include "assistance/ArchiveDeflate.h"
#include "assistance/FolderArchiveReader.h"
#include "assistance/FolderArchiveWriter.h"

using namespace corvane::assistance;
using namespace corvane::assistance::testing;

TEST(FolderArchiveTest, RoundTripKeepsNestedFoldersAndEmptyFiles) {
  TempFolder tmp;
  const fs::path source = tmp.path() / "Project";
  WriteFile(source / "readme.txt", "Read me\r\n");
  WriteFile(source / "empty.dat", "");
  WriteFile(source / "src" / "main.bin", RandomBytes(200'000));
  WriteFile(source / "src" / "deeper" / "notes.txt", std::string(100'000, 'n'));
  WriteFile(source / "src" / "deeper" / "zero", "");
  WriteFile(source / "caf\xC3\xA9" / "menu.txt", "cr\xC3\xA8me");
  fs::create_directories(source / "hollow");  // empty folders are not represented

  const std::string archive = tmp / "Project.z";
  FolderArchiveWriter::Pack(source.string(), archive);
  EXPECT_EQ(FolderArchiveReader::List(archive).size(), 6u);
  const fs::path target = tmp.path() / "out" / "Project";
  FolderArchiveReader::Unpack(archive, target.string());

  EXPECT_EQ(Tree(target), Tree(source));
  EXPECT_FALSE(fs::exists(target / "hollow"));
}

namespace {

// Records what packing or unpacking reports, and stops after a number of reports when asked.
struct ProgressRecorder final : ArchiveProgress {
  std::vector<std::string> files;
  std::vector<std::pair<int64_t, int64_t>> steps;
  size_t stopAfter = SIZE_MAX;
  bool Terminated() override { return steps.size() >= stopAfter; }
  void FileChanged(const std::string& path) override { files.push_back(path); }
  void Progressed(int64_t done, int64_t total) override { steps.emplace_back(done, total); }
};

}  // namespace

TEST(FolderArchiveTest, EachFileIsReportedFromZeroToItsSize) {
  TempFolder tmp;
  const fs::path source = tmp.path() / "src";
  WriteFile(source / "big.bin", RandomBytes(150'000));
  WriteFile(source / "sub" / "small.txt", "abc");
  const std::string archive = tmp / "src.z";
  ProgressRecorder packing;
  FolderArchiveWriter::Pack(source.string(), archive, &packing);
  EXPECT_EQ(packing.files, (std::vector<std::string>{(source / "big.bin").string(),
                                                     (source / "sub" / "small.txt").string()}));
  using Steps = std::vector<std::pair<int64_t, int64_t>>;
  EXPECT_EQ(packing.steps, (Steps{{0, 150'000}, {65'536, 150'000}, {131'072, 150'000},
                                  {150'000, 150'000}, {0, 3}, {3, 3}}));

  ProgressRecorder unpacking;
  const fs::path target = tmp.path() / "out";
  FolderArchiveReader::Unpack(archive, target.string(), &unpacking);
  EXPECT_EQ(unpacking.files, (std::vector<std::string>{(target / "big.bin").string(),
                                                       (target / "sub" / "small.txt").string()}));
  EXPECT_EQ(unpacking.steps.front(), (std::pair<int64_t, int64_t>{0, 150'000}));
  EXPECT_EQ(unpacking.steps.back(), (std::pair<int64_t, int64_t>{3, 3}));

  // Stopped in the middle of a file: that file is not left half written.
  ProgressRecorder stopping;
  stopping.stopAfter = 2;
  const fs::path again = tmp.path() / "again";
  EXPECT_THROW(FolderArchiveReader::Unpack(archive, again.string(), &stopping), FolderArchiveAborted);
  EXPECT_FALSE(fs::exists(again / "big.bin"));
}

TEST(FolderArchiveTest, SmallFixtureHasTheExactLayout) {
  TempFolder tmp;
  const fs::path source = tmp.path() / "Folder";
  WriteFile(source / "sub" / "a.txt", "hello");
  WriteFile(source / "caf\xC3\xA9.txt", "");
  const std::string archive = tmp / "Folder.z";
  FolderArchiveWriter::Pack(source.string(), archive);

  const std::string expected =
      // "café.txt" at the top: empty directory, name in Windows-1252, sizes 0 and 8.
      std::string("\x00\x08" "caf\xE9.txt" "\x00\x00\x00\x00" "\x08\x00\x00\x00", 18) +
      std::string("\x78\x9C\x03\x00\x00\x00\x00\x01", 8) +
      // "sub\a.txt": directory with its backslash, sizes 5 and 13, the zlib stream of "hello".
      std::string("\x04" "sub\\" "\x05" "a.txt" "\x05\x00\x00\x00" "\x0D\x00\x00\x00", 19) +
      std::string("\x78\x9C\xCB\x48\xCD\xC9\xC9\x07\x00\x06\x2C\x02\x15", 13);
  EXPECT_EQ(ReadFile(archive), expected);
}

TEST(FolderArchiveTest, EntriesLeadingOutsideTheTargetAreRefusedAndNothingIsWritten) {
  struct Case {
    std::string directory, name;
  } cases[] = {
      {"..\\", "evil.txt"},
      {"a\\..\\..\\", "evil.txt"},
      {"a/../../", "evil.txt"},
      {"\\", "evil.txt"},
      {"\\abs\\", "evil.txt"},
      {"/abs/", "evil.txt"},
      {"\\\\server\\share\\", "evil.txt"},
      {"C:\\", "evil.txt"},
      {"d:", "evil.txt"},
      {"", "C:evil.txt"},
      {"", ".."},
      {"", "..\\evil.txt"},
      {"sub\\", "../evil.txt"},
      {"", ""},
      {"", std::string("ev\0il.txt", 7)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.directory + "|" + c.name);
    TempFolder tmp;
    const std::string archive = tmp / "hostile.z";
    WriteFile(archive, Entry("", "fine.txt", "ok") + Entry(c.directory, c.name, "owned"));
    const fs::path target = tmp.path() / "a" / "b" / "target";
    try {
      FolderArchiveReader::Unpack(archive, target.string());
      ADD_FAILURE() << "unpacked";
    } catch (const FolderArchiveError& e) {
      EXPECT_NE(std::string(e.what()).find("outside the destination folder"), std::string::npos)
          << e.what();
    }
    EXPECT_FALSE(fs::exists(target / "fine.txt"));  // checked before anything is written
    EXPECT_EQ(Tree(tmp.path()).size(), 1u);          // the archive alone
    EXPECT_THROW(FolderArchiveReader::List(archive), FolderArchiveError);
  }
}

TEST(FolderArchiveTest, LinksInTheTargetAreNeverFollowed) {
  TempFolder tmp;
  const fs::path outside = tmp.path() / "outside";
  WriteFile(outside / "secret.txt", "keep");
  const fs::path target = tmp.path() / "target";
  fs::create_directories(target);
  fs::create_directory_symlink(outside, target / "sub");
  fs::create_symlink(outside / "secret.txt", target / "top.txt");

  for (const auto& entry : {Entry("sub\\", "new.txt", "x"), Entry("", "top.txt", "overwritten")}) {
    const std::string archive = tmp / "links.z";
    WriteFile(archive, entry);
    EXPECT_THROW(FolderArchiveReader::Unpack(archive, target.string()), FolderArchiveError);
  }
  EXPECT_FALSE(fs::exists(outside / "new.txt"));
  EXPECT_EQ(ReadFile(outside / "secret.txt"), "keep");
}

TEST(FolderArchiveTest, DamagedArchivesAreRefusedAndTheirPartialFileRemoved) {
  const std::string bomb = Zlib(std::string(10'000'000, '\0'));
  struct Case {
    const char* why;
    std::string bytes;
  } cases[] = {
      {"truncated fixed part", Entry("", "a.txt", "abc").substr(0, 8)},
      {"packed size beyond the end", Entry("", "a.txt", 3, Zlib("abc")).substr(0, 15)},
      {"inflates beyond its size", Entry("", "a.txt", 3, Zlib("hello"))},
      {"inflates far beyond its size", Entry("", "a.txt", 100, bomb)},
      {"falls short of its size", Entry("", "a.txt", 10, Zlib("hello"))},
      {"stream cut short", Entry("", "a.txt", 5, Zlib("hello").substr(0, 6))},
      {"not a zlib stream", Entry("", "a.txt", 5, "garbage!")},
      {"wrong Adler-32", Entry("", "a.txt", 5, Zlib("hello").substr(0, 12) + "\x16")},
      {"header check bits wrong", Entry("", "a.txt", 5, "\x78\x9D" + Zlib("hello").substr(2))},
      {"window beyond 32 KiB", Entry("", "a.txt", 5, "\x88\x98" + Zlib("hello").substr(2))},
      {"needs a preset dictionary", Entry("", "a.txt", 5, "\x78\xBB" + U32(1) + Zlib("hello").substr(2))},
      {"only a header", Entry("", "a.txt", 5, "\x78\x9C")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    TempFolder tmp;
    const std::string archive = tmp / "damaged.z";
    WriteFile(archive, c.bytes);
    EXPECT_THROW(FolderArchiveReader::Unpack(archive, (tmp.path() / "out").string()), FolderArchiveError);
    EXPECT_FALSE(fs::exists(tmp.path() / "out" / "a.txt"));
  }
}

TEST(FolderArchiveTest, PackingRefusesWhatTheFormatCannotHold) {
  struct Case {
    const char* why;
    std::string relativePath;
    int64_t size;
    const char* message;
  } cases[] = {
      {"folder path of 256 bytes", std::string(200, 'd') + "/" + std::string(55, 'e') + "/f", 1,
       "is too long to be packed"},
      {"file of 2 GB", "huge.iso", int64_t{1} << 31, "is too large to be packed"},
      {"backslash in a name", "back\\slash.txt", 1, "cannot be stored"},
      {"name outside Windows-1252", "\xE6\x97\xA5\xE6\x9C\xAC.txt", 1, "cannot be stored"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    TempFolder tmp;
    const fs::path source = tmp.path() / "src";
    WriteFile(source / "first.txt", "packed before the refusal? never");
    WriteFile(source / c.relativePath, "");
    fs::resize_file(source / c.relativePath, static_cast<uintmax_t>(c.size));  // sparse
    const std::string archive = tmp / "out.z";
    WriteFile(archive, "old archive");
    try {
      FolderArchiveWriter::Pack(source.string(), archive);
      ADD_FAILURE() << "packed";
    } catch (const FolderArchiveError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

namespace {

// Word salad: text that deflates well, so its pieces take the zlib path.
std::string Words(size_t n, unsigned seed) {
  static const char* words[] = {"session ", "customer ", "agent ", "printer ", "driver ", "error\r\n"};
  std::mt19937 gen(seed);
  std::string s;
  while (s.size() < n) s += words[gen() % 6];
  s.resize(n);
  return s;
}

// The entries of an archive with their packed data, read without the archive reader.
std::vector<std::pair<FolderArchiveEntry, std::string>> RawEntries(const std::string& archive) {
  const std::string bytes = ReadFile(archive);
  std::vector<std::pair<FolderArchiveEntry, std::string>> out;
  size_t at = 0;
  auto u32 = [&] {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(uint8_t(bytes.at(at++))) << (8 * i);
    return v;
  };
  while (at < bytes.size()) {
    FolderArchiveEntry e;
    e.Directory = bytes.substr(at + 1, uint8_t(bytes.at(at)));
    at += 1 + e.Directory.size();
    e.Name = bytes.substr(at + 1, uint8_t(bytes.at(at)));
    at += 1 + e.Name.size();
    e.Size = u32();
    e.PackedSize = u32();
    out.emplace_back(e, bytes.substr(at, e.PackedSize));
    at += e.PackedSize;
  }
  return out;
}

// Plain zlib inflate of a whole zlib stream, checking its Adler-32 and that nothing follows it.
std::string ZlibInflate(const std::string& packed, size_t size) {
  std::string out(size + 1, '\0');
  uLongf made = static_cast<uLongf>(out.size());
  uLong used = static_cast<uLong>(packed.size());
  const int rc = uncompress2(reinterpret_cast<Bytef*>(out.data()), &made,
                             reinterpret_cast<const Bytef*>(packed.data()), &used);
  if (rc != Z_OK || used != packed.size()) throw std::runtime_error("zlib refused the stream");
  out.resize(made);
  return out;
}

}  // namespace

TEST(FolderArchiveTest, EveryEntryIsOneZlibStreamThatPlainZlibInflates) {
  TempFolder tmp;
  const fs::path source = tmp.path() / "Mixed";
  const std::string text = Words(3 * kDeflatePieceSize + 12'345, 1);
  const std::map<std::string, std::string> files = {
      {"empty.dat", ""},
      {"text.txt", text},                                       // several pieces, all redone by zlib
      {"noise.bin", RandomBytes(2 * kDeflatePieceSize + 7, 5)},  // several pieces, ISA-L's
      {"exact.bin", RandomBytes(2 * kDeflatePieceSize, 6)},      // ends on a cut: an empty last piece
      // Both kinds in one file; the text repeats across the cut, reached through the dictionary.
      {"mixed.bin", text.substr(0, kDeflatePieceSize - 100) + RandomBytes(kDeflatePieceSize, 7) +
                        text.substr(0, 2 * kDeflatePieceSize)},
      {"tiny.txt", "hello"},
  };
  for (const auto& [name, bytes] : files) WriteFile(source / name, bytes);
  const std::string archive = tmp / "Mixed.z";
  FolderArchiveWriter::Pack(source.string(), archive);

  const auto entries = RawEntries(archive);
  ASSERT_EQ(entries.size(), files.size());
  for (const auto& [entry, packed] : entries) {
    SCOPED_TRACE(entry.Name);
    EXPECT_EQ(packed.substr(0, 2), "\x78\x9C");
    const std::string& content = files.at(entry.Name);
    EXPECT_EQ(entry.Size, content.size());
    EXPECT_EQ(ZlibInflate(packed, content.size()), content);
  }
  // Text packs nearly as small as zlib's default level makes it (ISA-L alone: a third larger).
  for (const auto& [entry, packed] : entries) {
    if (entry.Name == "text.txt") {
      EXPECT_LT(packed.size(), Zlib(text).size() * 115 / 100);
    }
  }
}

TEST(FolderArchiveTest, ArchivesOfPlainZlibStreamsUnpack) {
  // What other deflaters make: every level and window size, a flushed stream, and a stream whose
  // packed data carries bytes after its end.
  const std::string content = Words(300'000, 2) + RandomBytes(100'000, 8) + Words(200'000, 2);
  auto deflated = [&](int level, int windowBits, int flushEvery) {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
    std::string out(2 * content.size(), '\0');  // room for a stored block at every flush
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    for (size_t at = 0; at < content.size();) {
      const size_t n = std::min<size_t>(flushEvery, content.size() - at);
      z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data() + at));
      z.avail_in = static_cast<uInt>(n);
      at += n;
      const int rc = deflate(&z, at == content.size() ? Z_FINISH : Z_FULL_FLUSH);
      if (rc != (at == content.size() ? Z_STREAM_END : Z_OK)) throw std::runtime_error("zlib failed");
    }
    out.resize(out.size() - z.avail_out);
    deflateEnd(&z);
    return out;
  };
  TempFolder tmp;
  std::string archive;
  std::map<std::string, std::string> expected;
  int n = 0;
  for (int level : {0, 1, 6, 9})
    for (int windowBits : {9, 15})
      for (int flushEvery : {1'000, 1 << 30}) {
        const std::string name = "f" + std::to_string(n++);
        archive += Entry("old\\", name, static_cast<uint32_t>(content.size()),
                         deflated(level, windowBits, flushEvery));
        expected["old/" + name] = content;
      }
  archive += Entry("", "trailing", 5, Zlib("hello") + "junk");
  expected["trailing"] = "hello";
  WriteFile(tmp.path() / "old.z", archive);
  FolderArchiveReader::Unpack((tmp.path() / "old.z").string(), (tmp.path() / "out").string());
  EXPECT_EQ(Tree(tmp.path() / "out"), expected);
}
