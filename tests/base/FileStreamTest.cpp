// File streams: creating replaces what a file held, resizing cuts or extends it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/Stream.h"
#include "support/TempFolder.h"

namespace corvane::base {
namespace {

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(FileStream, CreateReplacesOrStartsTheFileAndResizingCutsAndExtends) {
  testing::TempFolder folder;
  const std::string old = folder / "old.bin", empty = folder / "empty.bin", fresh = folder / "fresh.bin";
  std::ofstream(old, std::ios::binary) << "previous content, longer than the new one";
  std::ofstream(empty, std::ios::binary);
  for (const std::string& path : {old, empty, fresh}) {
    FileStream out(path, FileStream::Mode::Create);
    EXPECT_EQ(out.Size(), 0) << path;
    out.Write("new", 3);
  }
  EXPECT_EQ(Contents(old), "new");
  EXPECT_EQ(Contents(empty), "new");
  EXPECT_EQ(Contents(fresh), "new");

  FileStream edit(old, FileStream::Mode::ReadWrite);
  EXPECT_EQ(edit.Size(), 3);  // opening to edit keeps the content
  edit.Seek(3);
  edit.SetSize(3);  // its own size: nothing changes
  EXPECT_EQ(edit.Position(), 3);
  edit.SetSize(5);
  EXPECT_EQ(Contents(old), std::string("new\0\0", 5));
  edit.SetSize(1);
  EXPECT_EQ(edit.Position(), 1);
  EXPECT_EQ(Contents(old), "n");
  EXPECT_THROW(FileStream(folder / "missing/x.bin", FileStream::Mode::Create), StreamError);
}

}  // namespace
}  // namespace corvane::base
