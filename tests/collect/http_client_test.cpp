#include "collect/http_client.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stop_token>
#include <thread>

#include "test_server.h"

namespace qm {
namespace {

using testing::LoopbackServer;
using testing::ReceivedRequest;
using testing::Reply;

const Text kUserAgentLine = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

Reply okPage(const ReceivedRequest&) {
    return Reply::page("hello");
}

ByteArray fetch(HttpRequestParams& params) {
    return httpRequest(params);
}

TEST(HttpRequest, CompletesTheHeaderBlockInItsOrderAndSendsItAsIs) {
    LoopbackServer server(okPage);
    ASSERT_TRUE(server.ok());
    HttpRequestParams params;
    params.url = server.url("/page?x=1");
    const ByteArray body = fetch(params);

    EXPECT_EQ(body.bytes, "hello");
    EXPECT_EQ(params.outcome, HttpOutcome::Ok);
    EXPECT_EQ(params.status, 200);
    const Text expectedBlock = "Accept: */*\r\nReferer: " + params.url +
                               "\r\nAccept-Language: zh-cn\r\n" + kUserAgentLine +
                               "\r\nContent-Type: application/x-www-form-urlencoded";
    EXPECT_EQ(params.headers, expectedBlock);

    ASSERT_EQ(server.requestCount(), 1);
    const ReceivedRequest request = server.requests()[0];
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.target, "/page?x=1");
    EXPECT_EQ(request.headerBlock(),
              "Host: 127.0.0.1:" + std::to_string(server.port()) + "\r\n" + expectedBlock + "\r\n");
}

TEST(HttpRequest, SplitsAndTrimsTheCallersLinesAndKeepsDefaultsTheyDoNotSpell) {
    LoopbackServer server(okPage);
    HttpRequestParams params;
    params.url = server.url("/");
    // Lines with ASCII and full-width spaces around names and values, an empty line,
    // a line without a colon, a default name in other letter case, an own Accept.
    params.headers =
        "  X-One :  a b \r\n\r\nX-Two:\xA1\xA1\xD6\xD0\xA1\xA1\r\nno colon here\r\n"
        "user-agent: mine\r\nAccept: text/html";
    fetch(params);

    EXPECT_EQ(params.headers,
              "  X-One :  a b \r\n\r\nX-Two:\xA1\xA1\xD6\xD0\xA1\xA1\r\nno colon here\r\n"
              "user-agent: mine\r\nAccept: text/html\r\nReferer: " +
                  params.url + "\r\nAccept-Language: zh-cn\r\n" + kUserAgentLine +
                  "\r\nContent-Type: application/x-www-form-urlencoded");
    ASSERT_EQ(server.requestCount(), 1);
    const ReceivedRequest request = server.requests()[0];
    EXPECT_EQ(request.header("X-One"), "a b");
    EXPECT_EQ(request.header("X-Two"), "\xD6\xD0");
    EXPECT_EQ(request.headerCount("User-Agent"), 2);  // the caller's and the default
    EXPECT_EQ(request.headerCount("Accept"), 1);
    EXPECT_EQ(request.header("Accept"), "text/html");
}

TEST(HttpRequest, OneLineBlockAndLinesThatWouldSmuggleHeaders) {
    LoopbackServer server(okPage);
    HttpRequestParams params;
    params.url = server.url("/");
    params.headers = "X-Only: 1";
    fetch(params);
    HttpRequestParams smuggling;
    smuggling.url = server.url("/");
    smuggling.headers = "X-A: 1\rX-Evil: 2\r\nX-B: 3\nX-Evil: 4";
    fetch(smuggling);

    ASSERT_EQ(server.requestCount(), 2);
    EXPECT_EQ(server.requests()[0].header("X-Only"), "1");
    const ReceivedRequest second = server.requests()[1];
    EXPECT_EQ(second.headerCount("X-Evil"), 0);
    EXPECT_EQ(second.headerCount("X-A"), 0);
    EXPECT_EQ(second.headerCount("X-B"), 0);
}

TEST(HttpRequest, MapsTheMethodNumberToItsVerb) {
    LoopbackServer server(okPage);
    const struct {
        int method;
        const char* verb;
        const char* body;
    } cases[] = {{0, "GET", "hello"}, {1, "POST", "hello"}, {2, "HEAD", ""},
                 {7, "GET", "hello"}, {-3, "GET", "hello"}, {3, "GET", "hello"}};
    for (const auto& c : cases) {
        HttpRequestParams params;
        params.url = server.url("/");
        params.method = c.method;
        const ByteArray body = fetch(params);
        EXPECT_EQ(body.bytes, c.body) << c.method;
        EXPECT_EQ(server.requests().back().method, c.verb) << c.method;
    }
}

TEST(HttpRequest, PostsBytesOverTextAndTextWhenNoBytes) {
    LoopbackServer server(okPage);
    HttpRequestParams bytes;
    bytes.url = server.url("/");
    bytes.method = kHttpPost;
    bytes.postText = "ignored";
    bytes.postBytes = ByteArray(std::string("a\0b\x81\x5C", 5));
    fetch(bytes);
    HttpRequestParams text;
    text.url = server.url("/");
    text.method = kHttpPost;
    text.postText = "k=v&\xD6\xD0";
    fetch(text);

    ASSERT_EQ(server.requestCount(), 2);
    EXPECT_EQ(server.requests()[0].body, std::string("a\0b\x81\x5C", 5));
    EXPECT_EQ(server.requests()[0].headerCount("Expect"), 0);
    EXPECT_EQ(server.requests()[1].body, "k=v&\xD6\xD0");
    EXPECT_EQ(server.requests()[1].header("Content-Type"), "application/x-www-form-urlencoded");
}

TEST(HttpRequest, ReturnsTheBodyRawWhateverItHolds) {
    const std::string raw("<p>\x81\x40\x00\xFF\xFE tail\x00", 14);
    LoopbackServer server([&](const ReceivedRequest&) { return Reply::page(raw); });
    HttpRequestParams params;
    params.url = server.url("/");
    EXPECT_EQ(fetch(params).bytes, raw);
}

TEST(HttpRequest, ReturnsA20MegabyteBodyWhole) {
    std::string big(20 * 1024 * 1024, 'x');
    for (std::size_t i = 0; i < big.size(); i += 4099) big[i] = static_cast<char>(i % 251);
    LoopbackServer server([&](const ReceivedRequest&) { return Reply::page(big); });
    HttpRequestParams params;
    params.url = server.url("/");
    const ByteArray body = fetch(params);
    EXPECT_EQ(params.outcome, HttpOutcome::Ok);
    ASSERT_EQ(body.size(), big.size());
    EXPECT_TRUE(body.bytes == big);
}

TEST(HttpRequest, RefusesABodyOverTheLimit) {
    LoopbackServer server(
        [](const ReceivedRequest&) { return Reply::page(std::string(5000, 'y')); });
    HttpRequestParams params;
    params.url = server.url("/");
    params.maxBodyBytes = 1000;
    EXPECT_TRUE(fetch(params).empty());
    EXPECT_EQ(params.outcome, HttpOutcome::TooLarge);
}

TEST(HttpRequest, ErrorStatusIsAResponseWithHeadersAndBody) {
    LoopbackServer server([](const ReceivedRequest&) {
        Reply reply = Reply::page("<html>gone</html>", 404);
        reply.headers.emplace_back("X-Trace", "t1");
        return reply;
    });
    HttpRequestParams params;
    params.url = server.url("/missing");
    EXPECT_EQ(fetch(params).bytes, "<html>gone</html>");
    EXPECT_EQ(params.status, 404);
    EXPECT_EQ(params.outcome, HttpOutcome::Ok);
    EXPECT_EQ(params.responseHeaders,
              "Content-Type: text/html; charset=gbk\r\nX-Trace: t1\r\nContent-Length: 17\r\n"
              "Connection: close\r\n");
}

TEST(HttpRequest, SendsStoredCookiesAndMergesTheResponsesCookies) {
    LoopbackServer server([](const ReceivedRequest&) {
        Reply reply = Reply::page("ok");
        reply.headers.emplace_back("set-cookie", "a=1; path=/");
        reply.headers.emplace_back("Set-Cookie", "b=2");
        reply.headers.emplace_back("SET-COOKIE", "c=deleted; expires=Thu, 01 Jan 1970");
        return reply;
    });
    HttpRequestParams params;
    params.url = server.url("/");
    params.cookies = "b=9; c=3; d=4";
    fetch(params);

    EXPECT_EQ(server.requests()[0].header("Cookie"), "b=9; c=3; d=4");
    EXPECT_EQ(params.responseCookies, "a=1;b=2;c=deleted");
    EXPECT_EQ(params.cookies, "a=1; b=2; d=4");
    EXPECT_NE(params.responseHeaders.find("Set-Cookie: a=1; path=/\r\n"), std::string::npos);
    EXPECT_EQ(params.responseHeaders.find("set-cookie"), std::string::npos);
}

TEST(HttpRequest, WithoutCookiesSendsNoCookieHeader) {
    LoopbackServer server(okPage);
    HttpRequestParams params;
    params.url = server.url("/");
    fetch(params);
    EXPECT_EQ(server.requests()[0].headerCount("Cookie"), 0);
    EXPECT_EQ(params.cookies, "");
    EXPECT_EQ(params.responseCookies, "");
}

TEST(HttpRequest, FollowsRedirectsUnlessSwitchedOff) {
    LoopbackServer server([](const ReceivedRequest& request) {
        if (request.target == "/moved") return Reply::redirect("/final");
        return Reply::page("final page");
    });
    HttpRequestParams follow;
    follow.url = server.url("/moved");
    EXPECT_EQ(fetch(follow).bytes, "final page");
    EXPECT_EQ(follow.status, 200);
    EXPECT_EQ(follow.responseHeaders.find("Location"), std::string::npos);

    HttpRequestParams stay;
    stay.url = server.url("/moved");
    stay.noRedirect = true;
    EXPECT_EQ(fetch(stay).bytes, "");
    EXPECT_EQ(stay.status, 302);
    EXPECT_NE(stay.responseHeaders.find("Location: /final\r\n"), std::string::npos);
    EXPECT_EQ(server.requestCount(), 3);
}

TEST(HttpRequest, FetchesOnlyWebAddresses) {
    LoopbackServer server(okPage);
    const std::string port = std::to_string(server.port());
    const Text refused[] = {
        "file:///etc/passwd",
        "FILE:///etc/hostname",
        "ftp://127.0.0.1:" + port + "/",
        "dict://127.0.0.1:" + port + "/d",
        "gopher://127.0.0.1:" + port + "/",
        "127.0.0.1:" + port + "/no-scheme",
        "//127.0.0.1:" + port + "/protocol-relative",
        " http://127.0.0.1:" + port + "/leading-space",
        "",
    };
    for (const Text& url : refused) {
        HttpRequestParams params;
        params.url = url;
        EXPECT_TRUE(fetch(params).empty()) << url;
        EXPECT_EQ(params.outcome, HttpOutcome::Refused) << url;
        EXPECT_EQ(params.status, 0) << url;
    }
    EXPECT_EQ(server.requestCount(), 0);

    HttpRequestParams upper;
    upper.url = "HTTP://127.0.0.1:" + port + "/upper";
    EXPECT_EQ(fetch(upper).bytes, "hello");
}

TEST(HttpRequest, FollowsRedirectsOnlyToWebAddresses) {
    LoopbackServer server([](const ReceivedRequest& request) {
        if (request.target == "/to-file") return Reply::redirect("file:///etc/passwd");
        if (request.target == "/to-ftp") return Reply::redirect("ftp://127.0.0.1/");
        return Reply::page("page");
    });
    for (const char* path : {"/to-file", "/to-ftp"}) {
        HttpRequestParams params;
        params.url = server.url(path);
        EXPECT_TRUE(fetch(params).empty()) << path;
        EXPECT_EQ(params.outcome, HttpOutcome::Refused) << path;
    }
}

TEST(HttpRequest, UnreachableResetAndCutShortGiveAnEmptyBody) {
    int closedPort = 0;
    {
        LoopbackServer gone(okPage);
        closedPort = gone.port();
    }
    HttpRequestParams unreachable;
    unreachable.url = "http://127.0.0.1:" + std::to_string(closedPort) + "/";
    EXPECT_TRUE(fetch(unreachable).empty());
    EXPECT_EQ(unreachable.outcome, HttpOutcome::Unreachable);
    EXPECT_EQ(unreachable.status, 0);

    LoopbackServer server([](const ReceivedRequest& request) {
        if (request.target == "/reset") return Reply::of(Reply::Kind::Reset);
        Reply reply = Reply::of(Reply::Kind::CutShort);
        reply.body = std::string(3000, 'z');
        return reply;
    });
    for (const char* path : {"/reset", "/cut"}) {
        HttpRequestParams params;
        params.url = server.url(path);
        EXPECT_TRUE(fetch(params).empty()) << path;
        EXPECT_EQ(params.outcome, HttpOutcome::Unreachable) << path;
    }
}

TEST(HttpRequest, GivesUpOnAServerThatNeverAnswers) {
    LoopbackServer server([](const ReceivedRequest&) { return Reply::of(Reply::Kind::Hang); });
    HttpRequestParams params;
    params.url = server.url("/hang");
    params.timeoutSeconds = 1;
    EXPECT_TRUE(fetch(params).empty());
    EXPECT_EQ(params.outcome, HttpOutcome::TimedOut);
}

TEST(HttpRequest, AStopEndsARequestInFlight) {
    LoopbackServer server([](const ReceivedRequest&) { return Reply::of(Reply::Kind::Hang); });
    std::stop_source stop;
    std::thread stopper([&] {
        server.waitForRequests(1);
        stop.request_stop();
    });
    HttpRequestParams params;
    params.url = server.url("/hang");
    params.timeoutSeconds = 600;  // only the stop can end this request in time
    params.stop = stop.get_token();
    const ByteArray body = fetch(params);
    stopper.join();
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(params.outcome, HttpOutcome::Stopped);
}

TEST(HttpRequest, AStopRequestedBeforeTheCallSendsNothing) {
    LoopbackServer server(okPage);
    std::stop_source stop;
    stop.request_stop();
    HttpRequestParams params;
    params.url = server.url("/");
    params.stop = stop.get_token();
    EXPECT_TRUE(fetch(params).empty());
    EXPECT_EQ(params.outcome, HttpOutcome::Stopped);
    EXPECT_EQ(server.requestCount(), 0);
}

TEST(HttpRequest, GoesThroughTheNamedProxyWithItsCredentials) {
    LoopbackServer proxy([](const ReceivedRequest& request) {
        if (request.header("Proxy-Authorization").empty()) {
            Reply challenge = Reply::page("auth", 407);
            challenge.reason = "Proxy Authentication Required";
            challenge.headers.emplace_back("Proxy-Authenticate", "Basic realm=\"p\"");
            return challenge;
        }
        return Reply::page("via proxy");
    });
    HttpRequestParams params;
    params.url = "http://news.example.invalid/page";
    params.proxy = proxy.url();
    params.proxyUser = "u";
    params.proxyPassword = "p";
    EXPECT_EQ(fetch(params).bytes, "via proxy");
    const auto requests = proxy.requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().target, "http://news.example.invalid/page");
    EXPECT_EQ(requests.back().header("Proxy-Authorization"), "Basic dTpw");
}

TEST(HttpRequest, ProxyFlagZeroGivesTheCredentialsToTheServer) {
    LoopbackServer proxy([](const ReceivedRequest& request) {
        if (request.header("Authorization").empty()) {
            Reply challenge = Reply::page("auth", 401);
            challenge.reason = "Unauthorized";
            challenge.headers.emplace_back("WWW-Authenticate", "Basic realm=\"s\"");
            return challenge;
        }
        return Reply::page("signed in");
    });
    HttpRequestParams params;
    params.url = "http://news.example.invalid/page";
    params.proxy = proxy.url();
    params.proxyUser = "u";
    params.proxyPassword = "p";
    params.proxyFlag = 0;
    EXPECT_EQ(fetch(params).bytes, "signed in");
    EXPECT_EQ(proxy.requests().back().header("Authorization"), "Basic dTpw");
    EXPECT_EQ(proxy.requests().back().headerCount("Proxy-Authorization"), 0);
}

TEST(HttpRequest, NoProxyMeansNoneEvenWhenTheEnvironmentNamesOne) {
    LoopbackServer proxy([](const ReceivedRequest&) { return Reply::page("proxy"); });
    LoopbackServer server(okPage);
    const char* saved = std::getenv("http_proxy");
    const std::string savedValue = saved ? saved : "";
    ::setenv("http_proxy", proxy.url().c_str(), 1);
    HttpRequestParams params;
    params.url = server.url("/");
    const ByteArray body = fetch(params);
    if (saved) {
        ::setenv("http_proxy", savedValue.c_str(), 1);
    } else {
        ::unsetenv("http_proxy");
    }
    EXPECT_EQ(body.bytes, "hello");
    EXPECT_EQ(proxy.requestCount(), 0);
}

TEST(HttpRequest, AReusedHandleStartsEveryRequestAfresh) {
    LoopbackServer server(okPage);
    HttpHandle handle;
    HttpRequestParams post;
    post.url = server.url("/one");
    post.method = kHttpPost;
    post.postText = "x";
    post.requestObject = &handle;
    fetch(post);
    HttpRequestParams get;
    get.url = server.url("/two");
    get.requestObject = &handle;
    EXPECT_EQ(fetch(get).bytes, "hello");
    ASSERT_EQ(server.requestCount(), 2);
    EXPECT_EQ(server.requests()[1].method, "GET");
    EXPECT_EQ(server.requests()[1].body, "");
}

}  // namespace
}  // namespace qm
