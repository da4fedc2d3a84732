// Fetching descriptors and files over HTTP, HTTPS and FTP from loopback servers.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "update/CurlStreamDownloader.h"
#include "update/CurlTransfer.h"
#include "update/FtpRemoteInfosProvider.h"
#include "update/HttpRemoteInfosProvider.h"
#include "update/TestSupport.h"
#include "update/UpdateError.h"

namespace corvane::update {
namespace {

using test::TempDir;
using test::TestFtpServer;
using test::TestHttpServer;
using test::WriteFile;

const char* const kDescriptor =
    "<?xml version=\"1.0\"?><updates><update mandatory=\"true\"><filename>[maj:app/]a</filename></update>"
    "<delete><filename>/x</filename></delete></updates>";

struct Progress : IStreamDownloadEvents {
  std::vector<std::string> calls;
  int64_t total = -1, last = 0;
  void DebutTravail(int64_t t) override {
    calls.push_back("begin");
    total = t;
  }
  void Travail(int64_t done) override {
    if (calls.empty() || calls.back() != "work") calls.push_back("work");
    last = done;
  }
  void FinTravail() override { calls.push_back("end"); }
};

std::string Bytes(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7919) >> 3);
  return s;
}

TEST(HttpDownload, DeliversTheBodyWithProgressAndTheConfiguredHeaders) {
  TestHttpServer server;
  const std::string body = Bytes(300000);
  server.Serve("/files/new.bin", body);
  TCurlStreamDownloader downloader;
  Progress progress;
  downloader.SetEvenements(&progress);
  std::ostringstream out;
  ASSERT_TRUE(downloader.Telecharger(server.Url("/files/new.bin"), out));
  EXPECT_EQ(out.str(), body);
  EXPECT_EQ(progress.calls, (std::vector<std::string>{"begin", "work", "end"}));
  EXPECT_EQ(progress.total, 300000);
  EXPECT_EQ(progress.last, 300000);
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].userAgent, "Mozilla/3.0 (compatible; Indy Library)");
  EXPECT_EQ(server.Requests()[0].accept, "text/html, */*");
}

// Credentials in an HTTPS URL go out as basic authentication; over plain HTTP they would travel in
// clear, so they are never sent there, whatever the case of the scheme.
TEST(HttpDownload, SendsTheUrlsCredentialsOnlyOverHttps) {
  TestHttpServer plain;
  TestHttpServer secure(/*tls=*/true);
  plain.Serve("/files/new.bin", "protected");
  secure.Serve("/files/new.bin", "protected");
  const auto withUser = [](std::string url) { return url.insert(url.find("//") + 2, "agent:s%40cret@"); };
  std::string upperScheme = withUser(plain.Url("/files/new.bin"));
  upperScheme.replace(0, 4, "HTTP");
  TCurlStreamDownloader downloader;
  downloader.CaInfo = test::TestCertificatePath();
  struct Case {
    TestHttpServer& server;
    std::string url;
    std::string authorization;
  } cases[] = {
      {secure, withUser(secure.Url("/files/new.bin")), "Basic YWdlbnQ6c0BjcmV0"},  // agent:s@cret
      {secure, secure.Url("/files/new.bin"), ""},
      {plain, withUser(plain.Url("/files/new.bin")), ""},
      {plain, upperScheme, ""},
  };
  for (const Case& c : cases) {
    const size_t before = c.server.Requests().size();
    std::ostringstream out;
    ASSERT_TRUE(downloader.Telecharger(c.url, out)) << c.url;
    EXPECT_EQ(out.str(), "protected") << c.url;
    ASSERT_EQ(c.server.Requests().size(), before + 1) << c.url;
    EXPECT_EQ(c.server.Requests().back().authorization, c.authorization) << c.url;
  }

  // The descriptor's provider follows the same rule.
  plain.Serve("/CorvaneAgent.xml", kDescriptor);
  THttpRemoteInfosProvider provider;
  provider.RemoteURL = withUser(plain.Url("/CorvaneAgent.xml"));
  ASSERT_EQ(provider.LireInfos()->Updates().Count(), 1u);
  EXPECT_EQ(plain.Requests().back().authorization, "");
}

TEST(HttpDownload, EncodesBlanksInTheUrl) {
  TestHttpServer server;
  server.Serve("/my file.bin", "spaced");
  TCurlStreamDownloader downloader;
  std::ostringstream out;
  ASSERT_TRUE(downloader.Telecharger(server.Url("/my file.bin"), out));
  EXPECT_EQ(out.str(), "spaced");
}

TEST(HttpDownload, FailuresRaiseErrors) {
  TestHttpServer server;
  server.ServeCut("/cut.bin", Bytes(100000), 40000);
  server.ServeSilence("/silent.bin");
  TCurlStreamDownloader downloader;
  downloader.HttpClient.ReadTimeOut = 1000;
  struct Case {
    std::string url;
  } cases[] = {
      {server.Url("/missing.bin")},            // 404
      {server.Url("/cut.bin")},                // connection dropped mid-body
      {server.Url("/silent.bin")},             // no data within the read time-out
      {"http://127.0.0.1:1/nothing-listens"},  // refused connection
  };
  for (const Case& c : cases) {
    Progress progress;
    downloader.SetEvenements(&progress);
    std::ostringstream out;
    EXPECT_THROW(downloader.Telecharger(c.url, out), EUpdateDownloadError) << c.url;
    if (!progress.calls.empty()) {
      EXPECT_EQ(progress.calls.back(), "end") << c.url;
    }
  }
}

TEST(HttpDownload, UnsupportedSchemeReturnsFalseWithoutTouchingTheStream) {
  TCurlStreamDownloader downloader;
  Progress progress;
  downloader.SetEvenements(&progress);
  for (const char* url : {"file:///etc/passwd", "gopher://127.0.0.1/x", "no scheme at all"}) {
    std::ostringstream out("untouched", std::ios::ate);
    EXPECT_FALSE(downloader.Telecharger(url, out)) << url;
    EXPECT_EQ(out.str(), "untouched");
  }
  EXPECT_TRUE(progress.calls.empty());
}

TEST(HttpsDownload, VerifiesTheServerCertificate) {
  TestHttpServer server(/*tls=*/true);
  server.Serve("/secure.bin", "secret bytes");
  TCurlStreamDownloader downloader;
  std::ostringstream refused;
  // Not signed by a trusted authority: refused.
  EXPECT_THROW(downloader.Telecharger(server.Url("/secure.bin"), refused), EUpdateDownloadError);
  EXPECT_EQ(refused.str(), "");
  downloader.CaInfo = test::TestCertificatePath();
  std::ostringstream out;
  ASSERT_TRUE(downloader.Telecharger(server.Url("/secure.bin"), out));
  EXPECT_EQ(out.str(), "secret bytes");
}

TEST(HttpProvider, ADescriptorFetchedOverHttpsAdmitsOnlyHttpsFiles) {
  TestHttpServer server(/*tls=*/true);
  server.Serve("/CorvaneAgent.xml", kDescriptor);
  THttpRemoteInfosProvider provider;
  provider.CaInfo = test::TestCertificatePath();
  provider.RemoteURL = server.Url("/CorvaneAgent.xml");
  EXPECT_TRUE(provider.LireInfos()->FilesOverHttpsOnly());
  provider.RemoteURL.replace(0, 5, "HTTPS");
  EXPECT_TRUE(provider.LireInfos()->FilesOverHttpsOnly());
}

TEST(HttpProvider, FetchesAndParsesTheDescriptor) {
  TestHttpServer server;
  server.Serve("/maj/CorvaneAgent/CorvaneAgent.xml", kDescriptor);
  server.Serve("/broken.xml", "<updates><update>");
  THttpRemoteInfosProvider provider;
  provider.RemoteURL = server.Url("/maj/CorvaneAgent/CorvaneAgent.xml");
  auto infos = provider.LireInfos();
  ASSERT_EQ(infos->Updates().Count(), 1u);
  EXPECT_EQ(infos->Updates()[0].Filename(), "[maj:app/]a");
  EXPECT_EQ(infos->Deletes().Count(), 1u);

  EXPECT_FALSE(infos->FilesOverHttpsOnly());  // a plain HTTP descriptor protects nothing

  provider.RemoteURL = server.Url("/broken.xml");
  EXPECT_THROW(provider.LireInfos(), EUpdateDescriptorError);
  provider.RemoteURL = server.Url("/absent.xml");
  EXPECT_THROW(provider.LireInfos(), EUpdateDownloadError);
}

class FtpTest : public ::testing::Test {
protected:
  void SetUp() override {
    WriteFile(dir.file("root/CorvaneAgent.xml"), kDescriptor);
    WriteFile(dir.file("root/maj/agent/new.bin"), payload);
    WriteFile(dir.file("root/top.bin"), "at the top");
    server = std::make_unique<TestFtpServer>(dir.file("root"));
  }
  std::string Url(const std::string& login, const std::string& path) const {
    return "ftp://" + login + "127.0.0.1:" + std::to_string(server->port()) + path;
  }

  TempDir dir;
  std::string payload = Bytes(70000);
  std::unique_ptr<TestFtpServer> server;
};

TEST_F(FtpTest, DownloadsWithTheUrlsCredentialsOrAnonymously) {
  struct Case {
    std::string login, path, expected, user, changeDir;
  } cases[] = {
      {"", "/maj/agent/new.bin", payload, "USER Anonymous", "CWD /maj/agent"},
      {"agent:secret@", "/maj/agent/new.bin", payload, "USER agent", "CWD /maj/agent"},
      {"", "/top.bin", "at the top", "USER Anonymous", ""},  // path "/": no change of directory
  };
  for (const Case& c : cases) {
    std::filesystem::remove(dir.file("ftp-commands.log"));
    TCurlStreamDownloader downloader;
    Progress progress;
    downloader.SetEvenements(&progress);
    std::ostringstream out;
    ASSERT_TRUE(downloader.Telecharger(Url(c.login, c.path), out)) << c.path;
    EXPECT_EQ(out.str(), c.expected);
    EXPECT_EQ(progress.calls.front(), "begin");
    EXPECT_EQ(progress.calls.back(), "end");
    const std::string log = server->CommandLog();
    EXPECT_NE(log.find(c.user + "\n"), std::string::npos) << log;
    if (c.user == "USER Anonymous") {
      EXPECT_NE(log.find("PASS corvane-agent@localhost"), std::string::npos) << log;
    }
    if (c.changeDir.empty()) {
      EXPECT_EQ(log.find("CWD"), std::string::npos) << log;
    } else {
      EXPECT_NE(log.find(c.changeDir + "\n"), std::string::npos) << log;
    }
    EXPECT_EQ(log.find("REST"), std::string::npos) << log;  // never resumes
  }
}

TEST_F(FtpTest, RefusedLoginAndMissingFileRaiseErrors) {
  TCurlStreamDownloader downloader;
  for (const std::string& url : {Url("agent:wrong@", "/top.bin"), Url("", "/maj/none.bin")}) {
    std::ostringstream out;
    EXPECT_THROW(downloader.Telecharger(url, out), EUpdateDownloadError) << url;
  }
}

TEST_F(FtpTest, ProviderRetrievesTheDocumentAnonymouslyOrWithItsUser) {
  TFtpRemoteInfosProvider provider;
  provider.FtpClient.Host = "127.0.0.1";
  provider.FtpClient.Port = server->port();
  provider.RemoteDocument = "/CorvaneAgent.xml";
  EXPECT_EQ(provider.LireInfos()->Updates().Count(), 1u);
  EXPECT_NE(server->CommandLog().find("USER Anonymous\n"), std::string::npos);

  provider.FtpClient.Username = "agent";
  provider.FtpClient.Password = "secret";
  provider.RemoteDocument = "CorvaneAgent.xml";
  EXPECT_EQ(provider.LireInfos()->Deletes().Count(), 1u);
  EXPECT_NE(server->CommandLog().find("USER agent\n"), std::string::npos);

  provider.FtpClient.Password = "wrong";
  EXPECT_THROW(provider.LireInfos(), EUpdateDownloadError);
}

TEST(UrlText, EncodingAndRedaction) {
  EXPECT_EQ(EncodeUrlWhereNeeded("http://h/a b/%41?q=1&r=\xC3\xA9"), "http://h/a%20b/%41?q=1&r=%C3%A9");
  EXPECT_EQ(UrlWithoutPassword("ftp://user:pw@host:21/a@b"), "ftp://host:21/a@b");
  EXPECT_EQ(UrlWithoutPassword("http://host/a@b"), "http://host/a@b");
  EXPECT_EQ(UrlScheme("HTTPS://host/x"), "https");
  EXPECT_EQ(UrlScheme("ftp://host/x"), "ftp");
  EXPECT_EQ(UrlScheme("no scheme at all"), "");
}

}  // namespace
}  // namespace corvane::update
