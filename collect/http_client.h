// HttpSession: one synchronous HTTP request per call, over libcurl.
//
// httpRequest sends one request described by an HttpRequestParams record and returns
// the response body exactly as received (no decoding, no charset conversion). The
// record's out fields (headers, cookies, responseCookies, responseHeaders, status,
// outcome) are written through it. Failures are not errors: an unreachable host, a
// time-out, a refused address or a stop give an empty body, status 0 and an outcome
// other than HttpOutcome::Ok; an HTTP error status (404) is a normal response.
//
// Only http:// and https:// addresses are fetched, and redirects are followed only to
// such addresses; any other address fails like an unreachable one.
//
// A requested stop on params.stop ends a request in flight at once (the transfer is
// woken and abandoned), so a stopped run never waits for a time-out.
//
// Each call is self-contained and may run on any thread; calls on different threads
// may run at the same time. An HttpHandle passed as requestObject must be used by one
// thread at a time.
#pragma once

#include <memory>
#include <stop_token>

#include "collect/cookies.h"
#include "foundation/text_kit.h"

namespace qm {

// How a request ended, for callers and tests that care; Quillmoor's own callers look
// only at the body.
enum class HttpOutcome {
    Ok,           // a response was received (any status)
    Refused,      // not an http:// or https:// address, or a redirect to another scheme
    Unreachable,  // name resolution, connection, TLS or transfer failure
    TimedOut,     // a phase took longer than the time-out
    TooLarge,     // the body exceeded maxBodyBytes
    Stopped,      // the stop token was requested
    Failed,       // the request could not be set up
};

// A reusable request object (a libcurl easy handle). Reusing one keeps connections to
// the same server open between calls. Movable, not copyable.
class HttpHandle {
  public:
    HttpHandle();
    ~HttpHandle();
    HttpHandle(HttpHandle&&) noexcept;
    HttpHandle& operator=(HttpHandle&&) noexcept;
    HttpHandle(const HttpHandle&) = delete;
    HttpHandle& operator=(const HttpHandle&) = delete;

    struct Impl;
    Impl* impl() const { return impl_.get(); }

  private:
    std::unique_ptr<Impl> impl_;
};

inline constexpr int kHttpGet = 0;
inline constexpr int kHttpPost = 1;
inline constexpr int kHttpHead = 2;

// Bodies larger than this are refused (the transfer is abandoned): no page of the
// portal comes near it, and a hostile server must not exhaust memory.
inline constexpr long long kDefaultMaxBodyBytes = 64LL * 1024 * 1024;

struct HttpRequestParams {
    Text url;                             // in: the address, used unchanged
    int method = kHttpGet;                // in: 0 GET, 1 POST, 2 HEAD; other values mean GET
    Text postText;                        // in: request body when postBytes is empty
    Text cookies;                         // in/out: sent as the Cookie header; returns merged
    Text responseCookies;                 // out: name=value entries set by this response, ";"
    Text headers;                         // in/out: extra "Name: value" lines, CR LF separated;
                                          //         returns the complete block that was sent
    Text responseHeaders;                 // out: the response header lines, each ending CR LF
    int status = 0;                       // out: the HTTP status code, 0 when none was read
    bool noRedirect = false;              // in: true switches redirect following off
    ByteArray postBytes;                  // in: when not empty, the body (postText is ignored)
    Text proxy;                           // in: proxy address; empty means no proxy at all
    int timeoutSeconds = 0;               // in: -1 library defaults; 0 or other values 15 s;
                                          //     n >= 1 n seconds per phase
    Text proxyUser;                       // in: proxy user name (used only with a proxy)
    Text proxyPassword;                   // in: proxy password
    int proxyFlag = 1;                    // in: 1 credentials for the proxy, 0 for the server
    HttpHandle* requestObject = nullptr;  // in: a handle to use instead of a new one
    std::stop_token stop;                 // in: a requested stop abandons the request at once
    long long maxBodyBytes = kDefaultMaxBodyBytes;  // in: larger bodies are refused
    HttpOutcome outcome = HttpOutcome::Failed;      // out: how the request ended
};

// Sends the request and returns the body (empty unless outcome is Ok).
ByteArray httpRequest(HttpRequestParams& params);

// Completes a caller's header block with the default request headers, in order:
// Accept, Referer (url), Accept-Language, User-Agent, Content-Type.
Text completeHeaderBlock(const Text& headers, const Text& url);

}  // namespace qm
