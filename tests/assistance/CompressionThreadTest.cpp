#include <gtest/gtest.h>

#include "ArchiveTestSupport.h"
#include "assistance/CompressionDecompressionThread.h"
#include "assistance/ProgressionDialogModel.h"
#include "base/ManualLoop.h"

using namespace corvane;
using namespace corvane::assistance;
using namespace corvane::assistance::testing;

namespace {

// What the owner of a thread sees on the main thread.
struct Observer {
  std::vector<std::string> captions, titles;
  bool terminated = false;
  void Attach(TCompressionDecompressionThread& t) {
    t.OnDialogChange = [this](TCompressionDecompressionThread& t) {
      auto& d = t.Dialog();
      if (captions.empty() || captions.back() != d.Caption) captions.push_back(d.Caption);
      if (!d.Title.empty() && (titles.empty() || titles.back() != d.Title)) titles.push_back(d.Title);
    };
    t.OnTerminate = [this](TCompressionDecompressionThread&) { terminated = true; };
  }
};

}  // namespace

TEST(CompressionThreadTest, PacksAndUnpacksOnAWorkerReportingEachFile) {
  base::ManualLoop loop;
  TempFolder tmp;
  const fs::path source = tmp.path() / "Photos";
  WriteFile(source / "a.jpg", RandomBytes(150'000));
  WriteFile(source / "b" / "c.txt", "text");
  const std::string archive = tmp / "photos.z";

  CompressionThreadList list;
  Observer packing;
  TCompressionDecompressionThread pack(loop, TCompressionDecompressionThread::Pack, source.string(),
                                       archive, &list);
  pack.FreeOnTerminate = false;
  packing.Attach(pack);
  pack.Start();
  EXPECT_EQ(list.Count(), 1u);
  ASSERT_TRUE(loop.pumpUntil([&] { return packing.terminated; }));
  EXPECT_FALSE(pack.Aborted());
  EXPECT_EQ(pack.ErrorMessage(), "");
  EXPECT_EQ(packing.captions.front(), "Packing up Photos ...");
  // Reports are merged on their way to the main thread; the last file is always shown.
  ASSERT_FALSE(packing.titles.empty());
  EXPECT_EQ(packing.titles.back(), (source / "b" / "c.txt").string());
  EXPECT_FALSE(pack.Dialog().Visible);
  EXPECT_EQ(pack.Dialog().Max(), 100);
  EXPECT_EQ(pack.Dialog().Position(), 0);

  Observer unpacking;
  const fs::path target = tmp.path() / "received" / "Photos";
  TCompressionDecompressionThread unpack(loop, TCompressionDecompressionThread::Unpack, archive,
                                         target.string() + "/", &list);
  unpack.FreeOnTerminate = false;
  unpacking.Attach(unpack);
  unpack.Start();
  ASSERT_TRUE(loop.pumpUntil([&] { return unpacking.terminated; }));
  EXPECT_EQ(unpacking.captions.front(), "Reading Photos contents...");
  ASSERT_FALSE(unpacking.titles.empty());
  EXPECT_EQ(unpacking.titles.back(), (target / "b" / "c.txt").string());
  EXPECT_EQ(Tree(target), Tree(source));
}

TEST(CompressionThreadTest, TerminateStopsAtTheNextReportAndTheThreadFreesItself) {
  base::ManualLoop loop;
  TempFolder tmp;
  WriteFile(tmp.path() / "big" / "data.bin", RandomBytes(2'000'000));
  const std::string archive = tmp / "big.z";
  CompressionThreadList list;
  bool aborted = false, terminated = false;
  auto* thread = new TCompressionDecompressionThread(loop, TCompressionDecompressionThread::Pack,
                                                     (tmp.path() / "big").string(), archive, &list);
  // The session stops as soon as the first progress is shown.
  thread->OnDialogChange = [&](TCompressionDecompressionThread& t) {
    if (t.Dialog().Position() > 0) list.TerminateAll();
  };
  thread->OnTerminate = [&](TCompressionDecompressionThread& t) {
    aborted = t.Aborted();
    terminated = true;
  };
  thread->Start();
  ASSERT_TRUE(loop.pumpUntil([&] { return terminated && list.Count() == 0; }));
  EXPECT_TRUE(aborted);
  EXPECT_FALSE(fs::exists(archive));  // an aborted packing leaves nothing to send
}

TEST(CompressionThreadTest, StopAllJoinsEveryThreadBeforeTheListGoes) {
  base::ManualLoop loop;
  TempFolder tmp;
  const std::string big = (tmp.path() / "big").string();
  WriteFile(tmp.path() / "big" / "data.bin", RandomBytes(16'000'000));
  int endsSeen = 0;
  auto count = [&](TCompressionDecompressionThread&) { ++endsSeen; };
  std::unique_ptr<TCompressionDecompressionThread> owned;
  {
    CompressionThreadList list;
    auto* freeing = new TCompressionDecompressionThread(loop, TCompressionDecompressionThread::Pack, big,
                                                        tmp / "a.z", &list);
    freeing->OnTerminate = count;
    freeing->Start();
    owned = std::make_unique<TCompressionDecompressionThread>(loop, TCompressionDecompressionThread::Pack, big,
                                                              tmp / "b.z", &list);
    owned->FreeOnTerminate = false;
    owned->OnTerminate = count;
    owned->Start();
    ASSERT_TRUE(loop.pumpUntil([&] { return owned->Dialog().Position() > 0; }));  // both at work
    list.StopAll();
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_TRUE(owned->Finished());
  }  // the list goes first; the thread owned elsewhere outlives it
  loop.pump();
  EXPECT_EQ(endsSeen, 0);  // nothing of a stopped thread reaches the main thread
  owned.reset();
}

TEST(CompressionThreadTest, FailureIsReportedWithItsMessage) {
  base::ManualLoop loop;
  TempFolder tmp;
  const std::string archive = tmp / "hostile.z";
  WriteFile(archive, Entry("..\\", "x.txt", "x"));
  TCompressionDecompressionThread unpack(loop, TCompressionDecompressionThread::Unpack, archive,
                                         tmp / "out");
  unpack.FreeOnTerminate = false;
  bool terminated = false;
  unpack.OnTerminate = [&](TCompressionDecompressionThread&) { terminated = true; };
  unpack.Start();
  ASSERT_TRUE(loop.pumpUntil([&] { return terminated; }));
  EXPECT_FALSE(unpack.Aborted());
  EXPECT_EQ(unpack.ErrorMessage(),
            "Archive entry \"..\\x.txt\" would be written outside the destination folder");
}

TEST(ProgressionDialogModelTest, EstimatesFollowPositionAndElapsedTime) {
  base::ManualLoop loop;
  ProgressionDialogModel dialog(loop);
  dialog.SetMax(1000);
  dialog.SetPosition(0);
  loop.advance(10);
  dialog.SetPosition(100);  // the bar was at 0: the clock starts now
  EXPECT_FALSE(dialog.EstimatesValid());  // below 20 ms
  EXPECT_EQ(dialog.LeftText(), "");
  loop.advance(187'000);
  dialog.SetPosition(500);
  ASSERT_TRUE(dialog.EstimatesValid());
  EXPECT_EQ(dialog.ElapsedText(), "Elapsed: 3 min 07 s");
  EXPECT_EQ(dialog.TotalText(), "Total: 6 min 14 s");
  EXPECT_EQ(dialog.LeftText(), "Left: 3 min 07 s");

  // The bar moves only when the whole percentage changes.
  dialog.SetPosition(504);
  EXPECT_EQ(dialog.Position(), 500);
  dialog.SetPosition(506);
  EXPECT_EQ(dialog.Position(), 506);

  // Position 0 restarts the clock.
  dialog.SetPosition(0);
  EXPECT_EQ(dialog.ElapsedMs(), 0u);
  EXPECT_FALSE(dialog.EstimatesValid());

  dialog.Hide();
  EXPECT_EQ(dialog.Max(), 100);
  EXPECT_EQ(dialog.Position(), 0);
}

TEST(ProgressionDialogModelTest, DurationsAreWrittenAsMinutesAndTwoDigitSeconds) {
  struct Case {
    uint32_t ms;
    const char* text;
  } cases[] = {{0, "0 min 00 s"}, {59'999, "0 min 59 s"}, {187'000, "3 min 07 s"}, {3'600'000, "60 min 00 s"}};
  for (const auto& c : cases) EXPECT_EQ(ProgressionDialogModel::DurationText(c.ms), c.text);
}
