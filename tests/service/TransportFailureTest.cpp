// Failures of the HTTP exchange and hostile or broken answers: each is a distinct, clean error.

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "service/CorvaneAgent.h"
#include "service/CurlTransport.h"
#include "service/LoopbackHttpServer.h"
#include "service/ServiceErrors.h"
#include "service/SoapReader.h"
#include "service/SoapTestSupport.h"

using namespace corvane::service;
using namespace corvane::service::test;

namespace {

std::shared_ptr<CurlTransport> ShortLimits(size_t maxAnswer = kMaxAnswerBytes) {
  TransportOptions options;
  options.connectTimeoutMs = 300;
  options.readTimeoutMs = 300;
  options.maxAnswerBytes = maxAnswer;
  return std::make_shared<CurlTransport>(options);
}

const std::string kLogInAnswer = AgentAnswer("LogIn", "<return>session-1</return>");

TEST(TransportFailure, RefusedConnection) {
  CorvaneAgentProxy proxy("http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/",
                          ShortLimits());
  EXPECT_THROW(proxy.LogIn("u", "p"), EConnectionRefused);
}

TEST(TransportFailure, ConnectTimeOut) {
  FullBacklogListener blackhole;
  CorvaneAgentProxy proxy("http://127.0.0.1:" + std::to_string(blackhole.port()) + "/",
                          ShortLimits());
  EXPECT_THROW(proxy.LogIn("u", "p"), EConnectTimeout);
}

TEST(TransportFailure, ReadTimeOutWhenTheServiceStaysSilent) {
  LoopbackHttpServer server([](const RecordedRequest&) { return Reply::Silent(); });
  CorvaneAgentProxy proxy(server.root(), ShortLimits());
  EXPECT_THROW(proxy.LogIn("u", "p"), EReadTimeout);
}

TEST(TransportFailure, BrokenAnswersAreNotWellFormed) {
  struct Case {
    const char* name;
    std::string body;
  } cases[] = {
      {"html", "<html><body>Service unavailable<br></body></html>"},
      {"truncated", kLogInAnswer.substr(0, kLogInAnswer.size() / 2)},
      {"empty", ""},
      {"external entity",
       "<?xml version=\"1.0\"?><!DOCTYPE e [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>" +
           AgentAnswer("LogIn", "<return>&x;</return>").substr(38)},
      {"entity bomb",
       "<?xml version=\"1.0\"?><!DOCTYPE e [<!ENTITY a \"aaaaaaaaaaaaaaaa\">"
       "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
       "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
       "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]><e>&d;&d;&d;&d;</e>"},
  };
  LoopbackHttpServer server;
  CorvaneAgentProxy proxy(server.root(), ShortLimits());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string body = c.body;
    server.setHandler([body](const RecordedRequest&) { return Reply::Xml(body); });
    try {
      proxy.LogIn("u", "p");
      ADD_FAILURE() << "no error";
    } catch (const ENotWellFormedAnswer& e) {
      EXPECT_EQ(std::string(e.what()).find("root:"), std::string::npos);
    }
  }
}

TEST(TransportFailure, WellFormedDocumentsThatAreNoSoapAnswer) {
  LoopbackHttpServer server;
  CorvaneAgentProxy proxy(server.root(), ShortLimits());
  for (std::string body : {std::string("<html><body>maintenance</body></html>"),
                           Envelope(""),
                           std::string("<Envelope><Body><LogInResponse/></Body></Envelope>")}) {
    server.setHandler([body](const RecordedRequest&) { return Reply::Xml(body); });
    EXPECT_THROW(proxy.LogIn("u", "p"), EUnexpectedAnswer) << body;
  }
}

TEST(TransportFailure, HttpErrorsWithoutSoapFault) {
  LoopbackHttpServer server;
  CorvaneAgentProxy proxy(server.root(), ShortLimits());
  for (int status : {404, 500}) {
    server.setHandler([status](const RecordedRequest&) {
      Reply r = Reply::Xml("<html><body>error<br></body></html>", status);
      r.contentType = "text/html";
      return r;
    });
    try {
      proxy.LogIn("u", "p");
      ADD_FAILURE() << "no error for " << status;
    } catch (const EHttpStatus& e) {
      EXPECT_EQ(e.status(), status);
    }
  }
}

TEST(TransportFailure, AnswerLargerThanTheCeilingStopsTheCall) {
  LoopbackHttpServer server([](const RecordedRequest&) {
    return Reply::Xml(AgentAnswer("LogIn", "<return>" + std::string(20000, 'x') + "</return>"));
  });
  CorvaneAgentProxy small(server.root(), ShortLimits(4096));
  EXPECT_THROW(small.LogIn("u", "p"), EAnswerTooLarge);
  // Without a declared length the ceiling still holds while the body streams in.
  server.setHandler([](const RecordedRequest&) {
    return Reply::RawBytes("HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nConnection: close\r\n\r\n" +
                           AgentAnswer("LogIn", "<return>" + std::string(20000, 'x') + "</return>"));
  });
  EXPECT_THROW(small.LogIn("u", "p"), EAnswerTooLarge);
  CorvaneAgentProxy normal(server.root(), ShortLimits());
  EXPECT_EQ(normal.LogIn("u", "p").size(), 20000u);
}

TEST(TransportFailure, OnlyHttpAddressesAndRedirects) {
  EXPECT_THROW(CorvaneAgentProxy("ftp://127.0.0.1/"), EInvalidServiceUrl);
  EXPECT_THROW(CorvaneAgentProxy("file:///etc/"), EInvalidServiceUrl);

  LoopbackHttpServer target([](const RecordedRequest&) { return Reply::Xml(kLogInAnswer); });
  LoopbackHttpServer server;
  server.setHandler([&](const RecordedRequest& r) {
    Reply reply = Reply::Xml("", 307);
    bool toFtp = r.requestLine().find("/svc/") != std::string::npos &&
                 r.body.find("to-ftp") != std::string::npos;
    reply.extraHeaders = "Location: " +
                         (toFtp ? "ftp://127.0.0.1:" + std::to_string(target.port()) + "/x"
                                : target.root() + "soap/ICorvaneAgent") + "\r\n";
    return reply;
  });
  CorvaneAgentProxy proxy(server.root(), ShortLimits());
  EXPECT_EQ(proxy.LogIn("u", "p"), "session-1");  // http to http: followed, body sent again
  ASSERT_EQ(target.requests().size(), 1u);
  EXPECT_NE(target.requests()[0].body.find("<User xsi:type=\"xsd:string\">u</User>"), std::string::npos);
  EXPECT_THROW(proxy.LogIn("to-ftp", "p"), ETransportError);
  EXPECT_EQ(target.requests().size(), 1u);
}

// An https service on loopback (the test certificate for 127.0.0.1) whose "/svc/" answers every
// call with a 307 redirect to where `location` says; it records the bodies that reach "/moved/".
class HttpsRedirector {
public:
  explicit HttpsRedirector(std::function<std::string(const std::string& body)> location)
      : server_(CORVANE_TEST_CERTIFICATE, CORVANE_TEST_KEY), location_(std::move(location)) {
    server_.Post(".*", [this](const httplib::Request& req, httplib::Response& res) {
      if (req.path.rfind("/moved/", 0) == 0) {
        std::lock_guard lock(mutex_);
        movedBodies_.push_back(req.body);
        res.set_content(kLogInAnswer, "text/xml; charset=utf-8");
        return;
      }
      res.status = 307;
      res.set_header("Location", location_(req.body));
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!server_.is_running() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  }
  ~HttpsRedirector() {
    server_.stop();
    thread_.join();
  }
  std::string url(const std::string& path) const { return "https://127.0.0.1:" + std::to_string(port_) + path; }
  std::vector<std::string> movedBodies() const {
    std::lock_guard lock(mutex_);
    return movedBodies_;
  }

private:
  httplib::SSLServer server_;
  std::function<std::string(const std::string&)> location_;
  int port_ = 0;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<std::string> movedBodies_;
};

TEST(TransportFailure, HttpsCallsFollowRedirectsToHttpsOnly) {
  LoopbackHttpServer plain([](const RecordedRequest&) { return Reply::Xml(kLogInAnswer); });
  HttpsRedirector* self = nullptr;
  HttpsRedirector tls([&](const std::string& body) {
    return body.find("to-http") != std::string::npos ? plain.root() + "soap/ICorvaneAgent"
                                                     : self->url("/moved/soap/ICorvaneAgent");
  });
  self = &tls;
  TransportOptions options;
  options.connectTimeoutMs = 2000;
  options.readTimeoutMs = 2000;
  options.caInfo = CORVANE_TEST_CERTIFICATE;
  CorvaneAgentProxy proxy(tls.url("/svc/"), std::make_shared<CurlTransport>(options));

  EXPECT_EQ(proxy.LogIn("u", "p"), "session-1");  // https to https: followed, body sent again
  ASSERT_EQ(tls.movedBodies().size(), 1u);
  EXPECT_NE(tls.movedBodies()[0].find("<Password xsi:type=\"xsd:string\">p</Password>"), std::string::npos);

  try {
    proxy.LogIn("to-http", "secret");
    ADD_FAILURE() << "an https call followed a redirect to http";
  } catch (const ETransportError& e) {
    EXPECT_NE(std::string(e.what()).find("https call"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(plain.requests().empty());  // the password never went out in clear
}

}  // namespace
