#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "shell/CatalogueTable.h"
#include "shell/MoCatalogue.h"
#include "shell/ShellError.h"
#include "MoBuilder.h"
#include "TempFolder.h"

using namespace corvane::shell;
using namespace corvane::shell::testing;

namespace {

void patch32(std::string& bytes, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

void put64(std::string& out, int64_t value) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((static_cast<uint64_t>(value) >> (8 * i)) & 0xFF));
}

// A stand-in executable: some image bytes with the marker and its zero value in the middle.
std::string fakeExecutable() {
  return std::string(1000, 'I') + CatalogueMarkerText() + std::string(8, '\0') + std::string(500, 'J');
}

}  // namespace

TEST(MoCatalogue, ReadsEntriesPluralsAndHeader) {
  std::string plural = std::string("one file") + '\0' + "%d files";
  std::string pluralFr = std::string("un fichier") + '\0' + "%d fichiers";
  auto mo = MoCatalogue::Parse(BuildMo({{"Update done", "Mise \xC3\xA0 jour effectu\xC3\xA9" "e"},
                                        {plural, pluralFr},
                                        {"untranslated", ""}}));
  ASSERT_NE(mo->find("Update done"), nullptr);
  EXPECT_EQ(*mo->find("Update done"), "Mise \xC3\xA0 jour effectu\xC3\xA9" "e");
  ASSERT_NE(mo->find("one file"), nullptr);
  EXPECT_EQ(*mo->find("one file"), "un fichier");
  EXPECT_EQ(mo->find("untranslated"), nullptr);
  EXPECT_EQ(mo->find(""), nullptr);  // the header is not a translation
  EXPECT_EQ(mo->find("missing"), nullptr);
  EXPECT_TRUE(mo->hasUtf8Charset());
  EXPECT_FALSE(MoCatalogue::Parse(BuildMo({}, "Content-Type: text/plain; charset=ISO-8859-1\n"))->hasUtf8Charset());
  EXPECT_TRUE(MoCatalogue::Parse(BuildMo({}, "content-type: text/plain; CHARSET=Utf-8\n"))->hasUtf8Charset());
  EXPECT_FALSE(MoCatalogue::Parse(BuildMo({}, "X-Note: charset=utf-8\n"))->hasUtf8Charset());
}

TEST(MoCatalogue, RefusesDamagedCatalogues) {
  const std::string good = BuildMo({{"a", "b"}});
  std::vector<std::pair<const char*, std::string>> bad;
  bad.emplace_back("short", good.substr(0, 20));
  bad.emplace_back("empty", "");
  std::string b = good;
  patch32(b, 0, 0xde120495);
  bad.emplace_back("big-endian", b);
  b = good;
  patch32(b, 0, 0x12345678);
  bad.emplace_back("magic", b);
  b = good;
  patch32(b, 4, 2u << 16);
  bad.emplace_back("revision", b);
  b = good;
  patch32(b, 8, 0x7FFFFFFF);
  bad.emplace_back("huge count", b);
  b = good;
  patch32(b, 12, 0xFFFFFFF0);
  bad.emplace_back("table outside", b);
  b = good;
  patch32(b, 28 + 4, 0xFFFFFFF0);  // first original's offset
  bad.emplace_back("string outside", b);
  b = good;
  patch32(b, 28, 0xFFFFFFFF);  // first original's length
  bad.emplace_back("length outside", b);
  for (const auto& [name, bytes] : bad) EXPECT_THROW(MoCatalogue::Parse(bytes), ECatalogueError) << name;
}

TEST(CatalogueTable, AppendAndReadAgree) {
  TempFolder temp;
  const std::string exe = temp / "agent";
  TempFolder::write(exe, fakeExecutable());
  EXPECT_TRUE(ReadCatalogueTableOfFile(exe).empty());  // marker value 0: nothing appended

  const std::string moA = BuildMo({{"A", "a"}}), moB = BuildMo({{"B", "b"}, {"C", "c"}});
  AppendCatalogues(exe, {{"locale\\fr\\LC_MESSAGES\\TarvenholtCorvane.mo", moA},
                         {"locale\\fr\\LC_MESSAGES\\AutoUpdater.mo", moB}});
  std::string file = TempFolder::read(exe);
  ASSERT_EQ(file.size(), 1544 + moA.size() + moB.size() + 2 * 256 + 8);
  EXPECT_EQ(file.substr(1544, moA.size()), moA);  // catalogues right after the image
  EXPECT_EQ(file.substr(file.size() - 8), std::string(8, '\0'));
  CatalogueTable table = ReadCatalogueTableOfFile(exe);
  ASSERT_EQ(table.size(), 2u);
  auto a = table.find("LOCALE/FR/lc_messages/tarvenholtcorvane.mo");  // case and separator ignored
  ASSERT_TRUE(a);
  EXPECT_EQ(a->path, "locale\\fr\\LC_MESSAGES\\TarvenholtCorvane.mo");
  EXPECT_EQ(file.substr(static_cast<size_t>(a->offset), static_cast<size_t>(a->size)), moA);
  auto b = table.find("locale\\fr\\LC_MESSAGES\\AutoUpdater.mo");
  ASSERT_TRUE(b);
  EXPECT_EQ(file.substr(static_cast<size_t>(b->offset), static_cast<size_t>(b->size)), moB);

  // Running the step again replaces the earlier append instead of stacking a second one.
  AppendCatalogues(exe, {{"locale\\fr\\LC_MESSAGES\\TarvenholtCorvane.mo", moB}});
  file = TempFolder::read(exe);
  EXPECT_EQ(file.size(), 1544 + moB.size() + 256 + 8);
  EXPECT_EQ(file.substr(0, 1000), std::string(1000, 'I'));
  EXPECT_EQ(ReadCatalogueTableOfFile(exe).size(), 1u);
  AppendCatalogues(exe, {});
  EXPECT_EQ(TempFolder::read(exe), fakeExecutable());
}

TEST(CatalogueTable, AppendRefusesWhatItCannotDoSafely) {
  TempFolder temp;
  const std::string noMarker = temp / "plain", twoMarkers = temp / "two", exe = temp / "exe";
  TempFolder::write(noMarker, "just bytes");
  TempFolder::write(twoMarkers, fakeExecutable() + fakeExecutable());
  TempFolder::write(exe, fakeExecutable());
  const std::vector<CatalogueToAppend> one{{"locale\\fr\\LC_MESSAGES\\X.mo", BuildMo({})}};
  EXPECT_THROW(AppendCatalogues(noMarker, one), ECatalogueError);
  EXPECT_THROW(AppendCatalogues(twoMarkers, one), ECatalogueError);
  EXPECT_THROW(AppendCatalogues(temp / "missing", one), ECatalogueError);
  EXPECT_THROW(AppendCatalogues(exe, {{std::string(300, 'p'), BuildMo({})}}), ECatalogueError);
  EXPECT_EQ(TempFolder::read(exe), fakeExecutable());  // refused before anything was written
}

TEST(CatalogueTable, HostileTablesNeverReadOutsideTheFile) {
  TempFolder temp;
  const std::string file = temp / "hostile";
  // Image of 100 bytes, one good entry at 100 pointing to a second entry whose fields are set per case.
  const std::string catalogue = "0123456789";
  auto build = [&](int64_t next2, int64_t offset2, int64_t size2, std::string path2) {
    std::string bytes(90, 'I');
    bytes += catalogue;  // data at 90..99
    put64(bytes, 100 + 40);
    put64(bytes, 90);
    put64(bytes, 10);
    bytes += std::string("  good.mo       ");  // path field of 16 bytes, entry 1 ends at 140
    put64(bytes, next2);
    put64(bytes, offset2);
    put64(bytes, size2);
    bytes += path2;
    put64(bytes, 0);
    return bytes;
  };
  struct Case {
    const char* name;
    std::string bytes;
    size_t expected;
  };
  const std::string path2 = "second.mo       ";
  const int64_t end2 = 140 + 24 + 16;  // where entry 2's "next" should point
  const Case cases[] = {
      {"both good", build(end2, 0, 10, path2), 2},
      {"data beyond the end", build(end2, 150, 1000, path2), 1},
      {"negative offset", build(end2, -5, 10, path2), 1},
      {"negative size", build(end2, 0, -1, path2), 1},
      {"size overflowing", build(end2, INT64_MAX, INT64_MAX, path2), 1},
      {"next beyond the end", build(1 << 30, 0, 10, path2), 1},
      {"next pointing back", build(100, 0, 10, path2), 1},
      {"next inside its own fields", build(140 + 8, 0, 10, path2), 1},
      {"blank path", build(end2, 0, 10, std::string(16, ' ')), 1},
  };
  for (const auto& c : cases) {
    TempFolder::write(file, c.bytes);
    CatalogueTable table = ReadCatalogueTable(file, 100);
    EXPECT_EQ(table.size(), c.expected) << c.name;
    auto good = table.find("good.mo");
    ASSERT_TRUE(good) << c.name;
    EXPECT_EQ(good->offset, 90);
    EXPECT_EQ(good->size, 10);
  }
  TempFolder::write(file, build(end2, 0, 10, path2));
  EXPECT_TRUE(ReadCatalogueTable(file, 0).empty());
  EXPECT_TRUE(ReadCatalogueTable(file, 1 << 20).empty());
  EXPECT_TRUE(ReadCatalogueTable(file, -8).empty());
  EXPECT_TRUE(ReadCatalogueTable(temp / "missing", 100).empty());
}

TEST(CatalogueTable, BuildStepAppendedToThisVeryExecutable) {
  // The test program itself went through corvane_embed_catalogues: the value the tool wrote after
  // the marker in the file is what the program reads from its own memory.
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  ASSERT_NE(AppendedTableOffset(), 0);
  CatalogueTable own = ReadOwnCatalogueTable(self);
  CatalogueTable fromFile = ReadCatalogueTableOfFile(self);
  EXPECT_EQ(own.size(), 3u);
  EXPECT_EQ(fromFile.size(), own.size());
  for (const char* domain : {"TarvenholtCorvane", "AutoUpdater", "TarvenholtReferentiel"}) {
    const std::string path = std::string("locale\\fr\\LC_MESSAGES\\") + domain + ".mo";
    auto location = own.find(path);
    ASSERT_TRUE(location) << path;
    EXPECT_EQ(location->path, path);
    // The appended bytes are exactly the catalogue msgfmt built.
    std::string built = TempFolder::read(std::string(CORVANE_CATALOGUE_DIR) + "/fr/LC_MESSAGES/" + domain + ".mo");
    std::string selfBytes = TempFolder::read(self);
    EXPECT_EQ(selfBytes.substr(static_cast<size_t>(location->offset), static_cast<size_t>(location->size)), built);
  }
}

TEST(CatalogueTable, TheToolRefusesACatalogueWithoutUtf8) {
  TempFolder temp;
  const std::string exe = temp / "exe", latin = temp / "latin.mo", good = temp / "good.mo";
  TempFolder::write(exe, fakeExecutable());
  TempFolder::write(latin, BuildMo({{"a", "b"}}, "Content-Type: text/plain; charset=ISO-8859-1\n"));
  TempFolder::write(good, BuildMo({{"a", "b"}}));
  const std::string tool = CORVANE_APPEND_TOOL;
  EXPECT_NE(std::system((tool + " " + exe + " 'locale\\fr\\LC_MESSAGES\\X.mo=" + latin + "' 2>/dev/null").c_str()), 0);
  EXPECT_EQ(TempFolder::read(exe), fakeExecutable());
  EXPECT_EQ(std::system((tool + " " + exe + " 'locale\\fr\\LC_MESSAGES\\X.mo=" + good + "'").c_str()), 0);
  EXPECT_TRUE(ReadCatalogueTableOfFile(exe).find("locale/fr/LC_MESSAGES/X.mo"));
}
