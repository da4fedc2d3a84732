// file-transfer: a 1 GiB file sent by the agent through the transfer channels (speaking manager,
// per-transfer channel, customer-side receiver) over loopback, against a plain socket copy of the
// same bytes from file to file. file-transfer-rss: peak resident memory of each, measured in a
// child process per run. The data is generated in a scratch folder and deleted afterwards.
//
// Usage: bench_file_transfer [MiB]   (default 1024)

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <thread>

#include "BenchReport.h"
#include "ChildProcess.h"
#include "base/RealLoop.h"
#include "base/Stream.h"
#include "session/ClientFileTransfertManagers.h"
#include "session/ServerSpeakingFileTransfertManager.h"
#include "session/TcpServer.h"

using namespace corvane;
using namespace corvane::session;

namespace {

constexpr size_t kCopyBuffer = 1024 * 1024;
constexpr int kRounds = 5;  // the page cache makes single runs of either side vary widely

void MakeFile(const std::string& path, int64_t size) {
  bench::XorShift gen(42);
  std::string chunk(4 << 20, '\0');
  std::ofstream out(path, std::ios::binary);
  for (int64_t left = size; left > 0;) {
    const size_t n = static_cast<size_t>(std::min<int64_t>(left, int64_t(chunk.size())));
    gen.Fill(chunk.data(), n);
    out.write(chunk.data(), static_cast<std::streamsize>(n));
    left -= static_cast<int64_t>(n);
  }
}

// The file through the session's transfer channels; returns seconds.
double Transfer(const std::string& file, const std::string& folder) {
  base::RealLoop loop;
  TComponent root;
  TcpServer server(loop);
  server.SetBinding("127.0.0.1", 0);
  server.SetContextFactory([](TcpServer& s, std::unique_ptr<TcpConnection> c) {
    return std::make_unique<TOLAIdContext>(s, std::move(c));
  });
  server.OnExecute = [&root](TcpContext& ctx) {
    ExecuteSessionConnection(static_cast<TOLAIdContext&>(ctx), root);
  };
  auto* manager = new TOLAIdServerSpeakingFileTransfertManager(&root, loop);
  int64_t agentReports = 0;
  manager->OnProgress = [&](TOLABaseComponent&, const TOLAFileTransfertProgressInfos&) { ++agentReports; };
  server.SetActive(true);

  TOLAClientListeningFileTransfertManager customer(nullptr, loop);
  customer.TempFolder = folder;
  TOLAFileTransfertProgressInfos last;
  bool ended = false;
  customer.OnProgress = [&](TOLABaseComponent&, const TOLAFileTransfertProgressInfos& infos) {
    last = infos;
    ended = infos.Status == ftsCancelled || infos.Status == ftsTransferred;
  };
  customer.ClientIOHandler().Port = server.Port();
  customer.Connect();
  if (!loop.runUntil([&] { return manager->Connected(); }, 10000)) throw std::runtime_error("no manager");

  const double t0 = bench::SecondsNow();
  manager->SendFile(file, "");
  if (!loop.runUntil([&] { return ended; }, 600000)) throw std::runtime_error("transfer timed out");
  const double seconds = bench::SecondsNow() - t0;
  if (last.Status != ftsTransferred || last.Transferred != static_cast<int64_t>(std::filesystem::file_size(file)))
    throw std::runtime_error("transfer incomplete");
  std::filesystem::remove(last.LocalFileName);
  server.SetActive(false);
  return seconds;
}

// The same bytes from file to file over a plain loopback socket; returns seconds.
double PlainCopy(const std::string& file, const std::string& folder) {
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(listener, 1) != 0)
    throw std::runtime_error("listen failed");
  getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);

  const double t0 = bench::SecondsNow();
  std::thread sender([&] {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    if (connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) std::abort();
    base::FileStream in(file, base::FileStream::Mode::Read);
    std::string buffer(kCopyBuffer, '\0');
    for (size_t n; (n = in.Read(buffer.data(), buffer.size())) > 0;)
      for (size_t off = 0; off < n;) {
        const ssize_t w = send(s, buffer.data() + off, n - off, MSG_NOSIGNAL);
        if (w <= 0) std::abort();
        off += static_cast<size_t>(w);
      }
    close(s);
  });
  const int c = accept(listener, nullptr, nullptr);
  const std::string target = folder + "/copy.bin";
  {
    base::FileStream out(target, base::FileStream::Mode::Create);
    std::string buffer(kCopyBuffer, '\0');
    // Whole buffers, as the sender's, so the disk sees the same large writes.
    for (ssize_t n; (n = recv(c, buffer.data(), buffer.size(), MSG_WAITALL)) > 0;)
      out.Write(buffer.data(), size_t(n));
  }
  sender.join();
  const double seconds = bench::SecondsNow() - t0;
  close(c);
  close(listener);
  if (std::filesystem::file_size(target) != std::filesystem::file_size(file)) throw std::runtime_error("short copy");
  std::filesystem::remove(target);
  return seconds;
}

struct Run {
  double seconds = 0;
  double rssMiB = 0;
};

Run Measure(const std::string& what, const std::string& file, const std::string& folder) {
  Run r;
  std::sscanf(bench::RunChild({"--child", what, file, folder}).c_str(), "%lf %lf", &r.seconds, &r.rssMiB);
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc == 5 && std::string(argv[1]) == "--child") {
      const std::string what = argv[2];
      const double seconds = what == "transfer" ? Transfer(argv[3], argv[4]) : PlainCopy(argv[3], argv[4]);
      std::printf("%.6f %.3f\n", seconds, bench::PeakRssMiB());
      return 0;
    }
    const int64_t mib = argc > 1 ? std::atoll(argv[1]) : 1024;
    bench::ScratchFolder scratch;
    const std::string file = (scratch.path() / "payload.bin").string();
    MakeFile(file, mib << 20);

    Run transfer{1e300, 0}, copy{1e300, 0};
    for (int round = 0; round < kRounds; ++round) {
      const Run c = Measure("copy", file, scratch.path().string());
      const Run t = Measure("transfer", file, scratch.path().string());
      copy.seconds = std::min(copy.seconds, c.seconds);
      copy.rssMiB = std::max(copy.rssMiB, c.rssMiB);
      transfer.seconds = std::min(transfer.seconds, t.seconds);
      transfer.rssMiB = std::max(transfer.rssMiB, t.rssMiB);
    }
    const double megabytes = double(mib << 20) / 1e6;
    const double ours = megabytes / transfer.seconds, plain = megabytes / copy.seconds;
    bench::Report("file-transfer", ours, "MB/s", plain, ours / plain, 0.7);
    // Memory: lower is better, so the ratio is the plain copy's peak over ours.
    bench::Report("file-transfer-rss", transfer.rssMiB, "MiB", copy.rssMiB, copy.rssMiB / transfer.rssMiB, 0.25);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_file_transfer: %s\n", e.what());
    return 1;
  }
  return 0;
}
