#include <gtest/gtest.h>

#include "ArchiveTestSupport.h"
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
