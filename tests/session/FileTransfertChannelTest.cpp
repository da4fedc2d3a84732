#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <filesystem>

#include "FileTransfertTestSupport.h"
#include "base/Translate.h"
#include "session/ClientFileTransfertManagers.h"
#include "session/FileTransfertError.h"
#include "session/ServerFileTransfertManager.h"
#include "session/ServerSpeakingFileTransfertManager.h"

using namespace corvane;
using namespace corvane::session;
using namespace corvane::session::testing;

namespace {

// Progress records as the main thread saw them.
struct ProgressLog {
  std::vector<TOLAFileTransfertProgressInfos> records;
  TOLAFileTransfertProgressionEvent Handler() {
    return [this](TOLABaseComponent&, const TOLAFileTransfertProgressInfos& infos) {
      records.push_back(infos);
    };
  }
  bool Ended() const {
    return !records.empty() &&
           (records.back().Status == ftsCancelled || records.back().Status == ftsTransferred);
  }
  int Count(TOLAFileTransfertStatus status) const {
    int n = 0;
    for (const auto& r : records) n += r.Status == status;
    return n;
  }
};

template <class T>
size_t CountChannels(TComponent& root, bool waitingOnly = false) {
  size_t n = 0;
  root.ForEachComponent([&](TComponent& c) {
    if (auto* t = dynamic_cast<T*>(&c)) n += !waitingOnly || !t->Accepted();
  });
  return n;
}

class FileTransfertChannelTest : public ::testing::Test {
protected:
  base::ManualLoop loop;
  SessionHost host{loop};
  TempFolder folder;
  ProgressLog agentLog;
};

}  // namespace

TEST_F(FileTransfertChannelTest, FileFromAgentToCustomerArrivesExact) {
  auto* manager = new TOLAIdServerSpeakingFileTransfertManager(&host.root, loop);
  manager->OnProgress = agentLog.Handler();
  // The agent lets the customer save the file but not run it.
  manager->OnConfig = [](TOLABaseComponent&, TOLAAuthorizedEndOperations& authorized) {
    authorized &= static_cast<TOLAAuthorizedEndOperations>(~AuthorizationBit(aeoCanExecute));
  };
  host.Start();

  ProgressLog customerLog;
  TOLAClientListeningFileTransfertManager customer(nullptr, loop);
  customer.TempFolder = folder.path().string();
  customer.OnProgress = customerLog.Handler();
  customer.ClientIOHandler().Port = host.Port();
  customer.Connect();
  ASSERT_TRUE(host.WaitFor([&] { return manager->Connected(); }));

  const std::string source = folder / "Report.final.PDF";
  const std::string bytes = RandomBytes(700'000);
  WriteFile(source, bytes);
  ASSERT_NE(manager->SendFile(source, ""), nullptr);

  ASSERT_TRUE(host.WaitFor([&] { return agentLog.Ended() && customerLog.Ended(); }));
  EXPECT_EQ(agentLog.records.back().Status, ftsTransferred);
  EXPECT_EQ(agentLog.records.back().Direction, ftdSend);
  const auto& received = customerLog.records.back();
  EXPECT_EQ(received.Status, ftsTransferred);
  EXPECT_EQ(received.FileName, source);
  EXPECT_EQ(received.FileSize, static_cast<int64_t>(bytes.size()));
  EXPECT_EQ(received.Authorizations, AuthorizationBit(aeoCanSave));
  EXPECT_EQ(std::filesystem::path(received.LocalFileName).parent_path(), folder.path());
  EXPECT_EQ(std::filesystem::path(received.LocalFileName).extension(), ".PDF");
  EXPECT_EQ(ReadFile(received.LocalFileName), bytes);
  // The per-transfer channel went away with its connection.
  EXPECT_TRUE(host.WaitFor([&] { return CountChannels<TOLAServerSpeakingFileTransfert>(host.root) == 0; }));
  host.Stop();
}

TEST_F(FileTransfertChannelTest, FileFromCustomerToAgentArrivesExact) {
  auto* manager = new TOLAIdServerFileTransfertManager(&host.root, loop);
  manager->OnProgress = agentLog.Handler();
  manager->TempFolder = folder.path().string();
  host.Start();

  TOLAClientFileTransfertManager customer(nullptr, loop);
  std::vector<bool> answers;
  customer.OnAnswer = [&](TOLAClientFileTransfertManager&, const std::string&, bool started) {
    answers.push_back(started);
  };
  customer.ClientIOHandler().Port = host.Port();
  customer.Connect();
  ASSERT_TRUE(host.WaitFor([&] { return manager->Connected(); }));

  const std::string source = folder / "photo.jpeg";
  const std::string bytes = RandomBytes(300'001, 11);
  WriteFile(source, bytes);
  customer.RequestSend(source);

  ASSERT_TRUE(host.WaitFor([&] { return agentLog.Ended(); }));
  EXPECT_EQ(answers, std::vector<bool>{true});
  const auto& received = agentLog.records.back();
  EXPECT_EQ(received.Status, ftsTransferred);
  EXPECT_EQ(received.Direction, ftdReceive);
  EXPECT_EQ(received.Transferred, static_cast<int64_t>(bytes.size()));
  EXPECT_EQ(std::filesystem::path(received.LocalFileName).extension(), ".jpeg");
  EXPECT_EQ(ReadFile(received.LocalFileName), bytes);
  EXPECT_EQ(agentLog.records.front().Status, ftsPreparing);
  host.Stop();
}

TEST_F(FileTransfertChannelTest, FilesAnnouncedBeforeTheCustomerConnectsGoToFirstConnectionsInOrder) {
  auto* manager = new TOLAIdServerSpeakingFileTransfertManager(&host.root, loop);
  host.Start();
  RawPeer announcements(host.Port());
  announcements.Send(MessageCodeLine(mcChannelSpeakingFileTransfertManager));
  ASSERT_TRUE(host.WaitFor([&] { return manager->Connected(); }));

  const std::string first = folder / "first.txt", second = folder / "second.txt";
  WriteFile(first, "one");
  WriteFile(second, "two");
  manager->SendFile(first, "");
  manager->SendFile(second, "");
  EXPECT_EQ(announcements.Line(), "d");
  EXPECT_EQ(announcements.Line(), "d");
  EXPECT_EQ(CountChannels<TOLAServerSpeakingFileTransfert>(host.root, true), 2u);

  for (const std::string& expected : {first, second}) {
    RawPeer transfer(host.Port());
    transfer.Send(MessageCodeLine(mcChannelSpeakingFileTransfert));
    // Read off the main thread: the agent hands its progress events to the main loop meanwhile.
    const auto codes = OffMainThread(host, [&] {
      std::string seen = *transfer.Line();
      EXPECT_EQ(DecodeHeader(transfer.Receive(BigEndianValue(transfer.Receive(4)))).FileName, expected);
      seen += *transfer.Line();
      transfer.Receive(BigEndianValue(transfer.Receive(4)));
      seen += *transfer.Line();
      return seen;
    });
    EXPECT_EQ(codes, "fgh");
  }
  host.Stop();
}

TEST_F(FileTransfertChannelTest, RepeatedSendFileOfTheSamePathDoesNothing) {
  auto* manager = new TOLAIdServerSpeakingFileTransfertManager(&host.root, loop);
  host.Start();
  RawPeer announcements(host.Port());
  announcements.Send(MessageCodeLine(mcChannelSpeakingFileTransfertManager));
  ASSERT_TRUE(host.WaitFor([&] { return manager->Connected(); }));

  // Two files whose paths differ only in case: the peer's file system sees one file.
  const std::string path = folder / "Data.bin", upper = folder / "DATA.BIN";
  WriteFile(path, "x");
  WriteFile(upper, "y");
  EXPECT_NE(manager->SendFile(path, ""), nullptr);
  EXPECT_EQ(manager->SendFile(path, ""), nullptr);
  EXPECT_EQ(manager->SendFile(upper, ""), nullptr);
  EXPECT_EQ(CountChannels<TOLAServerSpeakingFileTransfert>(host.root), 1u);
  EXPECT_EQ(announcements.Line(), "d");
  EXPECT_EQ(announcements.Line(200), std::nullopt);
  host.Stop();
}

TEST_F(FileTransfertChannelTest, SendFileRefusesUnsendableFilesAndCreatesNothing) {
  auto* manager = new TOLAIdServerSpeakingFileTransfertManager(&host.root, loop);
  const std::string empty = folder / "empty.txt", huge = folder / "huge.iso";
  WriteFile(empty, "");
  WriteFile(huge, "");
  std::filesystem::resize_file(huge, TOLAFileSender::kFileSizeLimit);  // sparse: no disk used
  base::SetTranslator([](std::string_view, std::string_view text) {
    return text == kSourceFileEmpty ? std::string("Fichier source \"%s\" vide") : std::string(text);
  });
  struct Case {
    std::string path;
    std::string message;  // empty: the operating system's error
  } cases[] = {
      {empty, "Fichier source \"" + empty + "\" vide"},
      {huge, "Source file \"" + huge + "\" is too large (4 GB or more)"},
      {folder / "missing.txt", ""},
      {folder.path().string(), ""},
  };
  for (const auto& c : cases) {
    try {
      manager->SendFile(c.path, "");
      ADD_FAILURE() << "no error for " << c.path;
    } catch (const EFileTransfertSourceFileError& e) {
      EXPECT_EQ(e.what(), c.message);
    } catch (const FileSystemError& e) {
      EXPECT_TRUE(c.message.empty()) << e.what();
    }
  }
  base::SetTranslator(nullptr);
  EXPECT_EQ(CountChannels<TOLAServerSpeakingFileTransfert>(host.root), 0u);
}

TEST_F(FileTransfertChannelTest, RequestsAreAnsweredWithZeroWhenRefusedOrTooManyWait) {
  auto* manager = new TOLAIdServerFileTransfertManager(&host.root, loop);
  std::atomic<bool> accept{false};
  manager->OnAccept = [&](TOLAServerFileTransfertManager&, bool& a) { a = accept.load(); };
  host.Start();
  RawPeer requests(host.Port());
  requests.Send(MessageCodeLine(mcChannelFileTransfertManager));

  requests.Send(MessageCodeLine(mcNewTransfert));
  EXPECT_EQ(requests.Line(), "A");
  EXPECT_EQ(CountChannels<TOLAServerFileTransfert>(host.root), 0u);

  accept = true;
  for (size_t i = 0; i < kMaxWaitingIncomingTransfers; ++i) {
    requests.Send(MessageCodeLine(mcNewTransfert));
    ASSERT_EQ(requests.Line(), "e") << i;
  }
  requests.Send(MessageCodeLine(mcNewTransfert));
  EXPECT_EQ(requests.Line(), "A");
  EXPECT_EQ(CountChannels<TOLAServerFileTransfert>(host.root), kMaxWaitingIncomingTransfers);

  // Once one of them has its connection, a new request is accepted again.
  RawPeer transfer(host.Port());
  transfer.Send(MessageCodeLine(mcChannelFileTransfert));
  ASSERT_TRUE(host.WaitFor([&] { return manager->WaitingTransferts() == kMaxWaitingIncomingTransfers - 1; }));
  requests.Send(MessageCodeLine(mcNewTransfert));
  EXPECT_EQ(requests.Line(), "e");
  host.Stop();
}

TEST_F(FileTransfertChannelTest, TransfersWhoseConnectionIsRefusedByTheCapReleaseTheirPlace) {
  auto* manager = new TOLAIdServerFileTransfertManager(&host.root, loop);
  host.server.SetMaxConnections(1);  // the manager's own connection fills the cap
  host.Start();
  RawPeer requests(host.Port());
  requests.Send(MessageCodeLine(mcChannelFileTransfertManager));
  ASSERT_TRUE(host.WaitFor([&] { return manager->Connected(); }));

  for (size_t i = 0; i < kMaxWaitingIncomingTransfers; ++i) {
    requests.Send(MessageCodeLine(mcNewTransfert));
    ASSERT_EQ(requests.Line(), "e") << i;
    RawPeer refused(host.Port());  // the transfer's connection, closed at once by the cap
    EXPECT_TRUE(refused.ClosedByAgent()) << i;
  }
  requests.Send(MessageCodeLine(mcNewTransfert));
  EXPECT_EQ(requests.Line(), "A");

  // Until the time-out the places stay taken; after it they are free and the stale channels gone.
  loop.advance(kIncomingTransfertConnectTimeOut - 1);
  requests.Send(MessageCodeLine(mcNewTransfert));
  EXPECT_EQ(requests.Line(), "A");
  loop.advance(1);
  requests.Send(MessageCodeLine(mcNewTransfert));
  EXPECT_EQ(requests.Line(), "e");
  EXPECT_EQ(CountChannels<TOLAServerFileTransfert>(host.root), 1u);
  EXPECT_EQ(manager->WaitingTransferts(), 1u);
  host.Stop();
}

TEST_F(FileTransfertChannelTest, TransferCancelledBeforeItsConnectionCameIsNeverSent) {
  auto* manager = new TOLAIdServerSpeakingFileTransfertManager(&host.root, loop);
  manager->OnProgress = agentLog.Handler();
  host.Start();
  struct Case {
    const char* why;
    std::string directoryName;  // a packed folder is a file made for its transfer only
  } cases[] = {{"plain file", ""}, {"packed folder", "Folder"}};
  int round = 0;
  for (const auto& c : cases) {
    agentLog.records.clear();
    const std::string source = folder / ("never" + std::to_string(round++) + ".bin");
    WriteFile(source, RandomBytes(50'000));
    TOLAServerSpeakingFileTransfert* transfer = manager->SendFile(source, c.directoryName);
    ASSERT_NE(transfer, nullptr) << c.why;
    transfer->Disconnect();  // the user cancels while it waits for its connection

    RawPeer customer(host.Port());
    customer.Send(MessageCodeLine(mcChannelSpeakingFileTransfert));
    // The customer hears the cancel, with no header and no data before or after it.
    const auto lines = OffMainThread(host, [&] {
      std::vector<std::optional<std::string>> seen{customer.Line()};
      seen.push_back(customer.Line(200));
      return seen;
    });
    EXPECT_EQ(lines[0], "i") << c.why;
    EXPECT_EQ(lines[1], std::nullopt) << c.why;
    ASSERT_TRUE(host.WaitFor([&] { return agentLog.Ended(); })) << c.why;
    EXPECT_EQ(agentLog.records.back().Status, ftsCancelled) << c.why;
    EXPECT_EQ(agentLog.Count(ftsTransferring), 0) << c.why;
    EXPECT_EQ(std::filesystem::exists(source), c.directoryName.empty()) << c.why;
  }
  host.Stop();
}

TEST_F(FileTransfertChannelTest, UserCancelMidTransferSendsCodeFortyAndEndsCancelled) {
  auto* manager = new TOLAIdServerSpeakingFileTransfertManager(&host.root, loop);
  // The agent cancels as soon as the first block went out.
  manager->OnProgress = [&](TOLABaseComponent& transfer, const TOLAFileTransfertProgressInfos& infos) {
    agentLog.records.push_back(infos);
    if (infos.Status == ftsTransferring && infos.Transferred > 0) transfer.Disconnect();
  };
  host.Start();
  const std::string source = folder / "large.bin";
  WriteFile(source, RandomBytes(200'000));
  manager->SendFile(source, "");

  RawPeer customer(host.Port());
  customer.Send(MessageCodeLine(mcChannelSpeakingFileTransfert));
  const auto codes = OffMainThread(host, [&] {
    std::vector<std::string> seen;
    for (;;) {
      seen.push_back(*customer.Line());
      if (seen.back() == "f" || seen.back() == "g") customer.Receive(BigEndianValue(customer.Receive(4)));
      if (seen.back() == "i" || seen.back() == "h") return seen;
    }
  });
  EXPECT_EQ(codes, (std::vector<std::string>{"f", "g", "i"}));
  ASSERT_TRUE(host.WaitFor([&] { return agentLog.Ended(); }));
  EXPECT_EQ(agentLog.records.back().Status, ftsCancelled);
  EXPECT_EQ(agentLog.records.back().Transferred, 15360);
  EXPECT_LT(agentLog.records.back().Transferred, agentLog.records.back().FileSize);
  EXPECT_FALSE(OffMainThread(host, [&] { return customer.ClosedByAgent(100); }));  // left to the customer
  host.Stop();
}

TEST_F(FileTransfertChannelTest, IncomingTransferEndsCancelledUnlessEveryByteArrived) {
  struct Case {
    const char* why;
    std::string bytes;  // after the channel line; then the customer closes the connection
    TOLAFileTransfertStatus status;
    int endReports;  // reports of the final status
    bool agentCloses;
    bool fileKept;
  } cases[] = {
      {"connection lost mid-transfer", HeaderMessage("C:\\a.txt", 1000) + BlockMessage(std::string(100, 'x')),
       ftsCancelled, 1, false, true},
      {"end code with a short file", HeaderMessage("C:\\a.txt", 10) + BlockMessage("abcd") + MessageCodeLine(mcFileEnd),
       ftsCancelled, 1, false, true},
      {"every byte, end code twice", HeaderMessage("C:\\a.txt", 4) + BlockMessage("abcd") +
       MessageCodeLine(mcFileEnd) + MessageCodeLine(mcFileEnd), ftsTransferred, 2, false, true},
      {"cancel code", HeaderMessage("C:\\a.txt", 8) + BlockMessage("abcd") + MessageCodeLine(mcFileCancel),
       ftsCancelled, 1, false, true},
      {"more bytes than announced", HeaderMessage("C:\\a.txt", 4) + BlockMessage("abcdef"),
       ftsCancelled, 1, true, false},
      {"block before the header", BlockMessage("abcd"), ftsCancelled, 1, true, false},
      {"negative size", HeaderMessage("C:\\a.txt", -5), ftsCancelled, 1, true, false},
      {"block after the end", HeaderMessage("C:\\a.txt", 2) + BlockMessage("ab") +
       MessageCodeLine(mcFileEnd) + BlockMessage("cd"), ftsTransferred, 1, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    base::ManualLoop caseLoop;
    SessionHost caseHost(caseLoop);
    TempFolder receiveFolder;
    ProgressLog log;
    auto* transfer = new TOLAIdServerFileTransfert(&caseHost.root, caseLoop);
    transfer->OnProgress = log.Handler();
    transfer->Receiver().TempFolder = receiveFolder.path().string();
    caseHost.Start();
    {
      RawPeer customer(caseHost.Port());
      customer.Send(MessageCodeLine(mcChannelFileTransfert) + c.bytes);
      if (c.agentCloses) {
        EXPECT_TRUE(OffMainThread(caseHost, [&] { return customer.ClosedByAgent(); }));
      }
    }
    ASSERT_TRUE(caseHost.WaitFor([&] { return CountChannels<TOLAServerFileTransfert>(caseHost.root) == 0; }));
    caseLoop.pump();
    ASSERT_FALSE(log.records.empty());
    EXPECT_EQ(log.records.back().Status, c.status);
    EXPECT_EQ(log.Count(c.status), c.endReports);
    const std::string local = log.records.back().LocalFileName;
    if (!local.empty()) {
      EXPECT_EQ(std::filesystem::exists(local), c.fileKept);
    }
    caseHost.Stop();
  }
}

TEST_F(FileTransfertChannelTest, DiskFullWhileReceivingEndsCancelledAndDropsThePartialFile) {
  auto* transfer = new TOLAIdServerFileTransfert(&host.root, loop);
  transfer->OnProgress = agentLog.Handler();
  transfer->Receiver().TempFolder = folder.path().string();
  host.Start();

  // The process may not write files beyond 64 KiB: the second block cannot be stored.
  struct rlimit saved {};
  getrlimit(RLIMIT_FSIZE, &saved);
  auto* previous = signal(SIGXFSZ, SIG_IGN);
  struct rlimit limited = saved;
  limited.rlim_cur = 64 * 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  {
    RawPeer customer(host.Port());
    customer.Send(MessageCodeLine(mcChannelFileTransfert) + HeaderMessage("C:\\big.bin", 100'000) +
                  BlockMessage(std::string(50'000, 'a')) + BlockMessage(std::string(50'000, 'b')) +
                  MessageCodeLine(mcFileEnd));
    EXPECT_TRUE(OffMainThread(host, [&] { return customer.ClosedByAgent(); }));
  }
  ASSERT_TRUE(host.WaitFor([&] { return agentLog.Ended(); }));
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previous);

  EXPECT_EQ(agentLog.records.back().Status, ftsCancelled);
  EXPECT_EQ(agentLog.Count(ftsTransferred), 0);
  EXPECT_FALSE(std::filesystem::exists(agentLog.records.back().LocalFileName));
  host.Stop();
}

TEST_F(FileTransfertChannelTest, ConnectionLossMidTransferIsCancelledAtTheCustomer) {
  auto* manager = new TOLAIdServerSpeakingFileTransfertManager(&host.root, loop);
  // The agent's side drops the transfer connection after the first block.
  manager->OnProgress = [&](TOLABaseComponent& transfer, const TOLAFileTransfertProgressInfos& infos) {
    if (infos.Status == ftsTransferring && infos.Transferred > 0)
      transfer.IOHandler()->Disconnect();
  };
  host.Start();
  ProgressLog customerLog;
  TOLAClientListeningFileTransfertManager customer(nullptr, loop);
  customer.TempFolder = folder.path().string();
  customer.OnProgress = customerLog.Handler();
  customer.ClientIOHandler().Port = host.Port();
  customer.Connect();
  ASSERT_TRUE(host.WaitFor([&] { return manager->Connected(); }));
  const std::string source = folder / "cut.bin";
  WriteFile(source, RandomBytes(100'000));
  manager->SendFile(source, "");
  ASSERT_TRUE(host.WaitFor([&] { return customerLog.Ended(); }));
  EXPECT_EQ(customerLog.records.back().Status, ftsCancelled);
  EXPECT_LT(customerLog.records.back().Transferred, 100'000);
  host.Stop();
}
