#include "collect/http_client.h"

#include <curl/curl.h>

#include <mutex>
#include <string>

namespace qm {

struct HttpHandle::Impl {
    CURL* easy = nullptr;
    CURLM* multi = nullptr;

    Impl();
    ~Impl() {
        if (multi != nullptr) curl_multi_cleanup(multi);
        if (easy != nullptr) curl_easy_cleanup(easy);
    }
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
};

namespace {

constexpr int kDefaultTimeoutMs = 15000;
// Without a time-out of the caller's, a silent server is given up after these.
constexpr long kLibraryConnectTimeoutMs = 60000;
constexpr long kLibraryIdleSeconds = 30;
constexpr long kMaxRedirects = 10;

const Text kUserAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

void initLibraryOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The one place a libcurl result becomes ours.
HttpOutcome outcomeOf(CURLcode code) {
    switch (code) {
        case CURLE_OK:
            return HttpOutcome::Ok;
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_URL_MALFORMAT:
            return HttpOutcome::Refused;
        case CURLE_OPERATION_TIMEDOUT:
            return HttpOutcome::TimedOut;
        case CURLE_FILESIZE_EXCEEDED:
            return HttpOutcome::TooLarge;
        case CURLE_ABORTED_BY_CALLBACK:
            return HttpOutcome::Stopped;
        case CURLE_FAILED_INIT:
        case CURLE_OUT_OF_MEMORY:
        case CURLE_BAD_FUNCTION_ARGUMENT:
        case CURLE_UNKNOWN_OPTION:
            return HttpOutcome::Failed;
        default:
            return HttpOutcome::Unreachable;
    }
}

// Only addresses of these two schemes are ever handed to the library.
bool isWebAddress(const Text& url) {
    const bool webScheme =
        find_text(url, "http://", 1, true) == 1 || find_text(url, "https://", 1, true) == 1;
    if (!webScheme) return false;
    for (const unsigned char byte : url) {
        if (byte < 0x20 || byte == 0x7F) return false;  // no header or line injection
    }
    return true;
}

struct Transfer {
    std::string body;
    long long maxBody = 0;
    bool tooLarge = false;
    Text headerLines;
};

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    if (transfer->maxBody > 0 &&
        static_cast<long long>(transfer->body.size() + bytes) > transfer->maxBody) {
        transfer->tooLarge = true;
        return 0;  // makes the transfer fail with a write error
    }
    transfer->body.append(data, bytes);
    return bytes;
}

std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    std::string line(data, bytes);
    // A status line starts a new response (a redirect, an interim 100, a proxy's
    // CONNECT answer): only the last response's headers are kept.
    if (line.rfind("HTTP/", 0) == 0) {
        transfer->headerLines.clear();
        return bytes;
    }
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    if (!line.empty()) transfer->headerLines += line + "\r\n";
    return bytes;
}

// One request header for the library's list; false when the line cannot be sent.
bool headerLineFor(const Text& line, std::string& out) {
    Text name;
    Text value;
    const int colon = find_text(line, ":");
    if (colon != -1) {
        name = trim_text(left_text(line, colon - 1));
        value = trim_text(mid_text(line, colon + 1, byte_length(line)));
    }
    if (name.empty()) return false;
    for (const unsigned char byte : line) {
        if (byte == '\r' || byte == '\n' || byte == 0) return false;
    }
    // "Name;" is how the library sends a header with an empty value.
    out = value.empty() ? name + ";" : name + ": " + value;
    return true;
}

struct HeaderList {
    curl_slist* list = nullptr;
    HeaderList() = default;
    HeaderList(const HeaderList&) = delete;
    HeaderList& operator=(const HeaderList&) = delete;
    ~HeaderList() { curl_slist_free_all(list); }
    void add(const std::string& line) {
        if (curl_slist* next = curl_slist_append(list, line.c_str())) list = next;
    }
};

void applyTimeouts(CURL* easy, int timeoutSeconds) {
    long connectMs = kLibraryConnectTimeoutMs;
    long idleSeconds = kLibraryIdleSeconds;
    if (timeoutSeconds != -1) {
        const long ms = timeoutSeconds >= 1 ? timeoutSeconds * 1000L : kDefaultTimeoutMs;
        connectMs = ms;
        idleSeconds = ms / 1000;
    }
    // Resolving and connecting share the connect time-out; sending and receiving end
    // when no byte moved for the same time.
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, connectMs);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, idleSeconds);
}

void applyProxy(CURL* easy, const HttpRequestParams& params) {
    // An empty proxy string also keeps the library from taking one from the
    // environment (http_proxy and friends).
    curl_easy_setopt(easy, CURLOPT_PROXY, params.proxy.c_str());
    if (params.proxy.empty() || params.proxyUser.empty()) return;
    if (params.proxyFlag == 1) {
        curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, params.proxyUser.c_str());
        curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, params.proxyPassword.c_str());
        curl_easy_setopt(easy, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_ANY));
    } else if (params.proxyFlag == 0) {
        curl_easy_setopt(easy, CURLOPT_USERNAME, params.proxyUser.c_str());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, params.proxyPassword.c_str());
        curl_easy_setopt(easy, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_ANY));
    }
}

void applyVerb(CURL* easy, int method, const std::string& body) {
    if (method == kHttpPost) {
        curl_easy_setopt(easy, CURLOPT_POST, 1L);
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.data());
    } else if (method == kHttpHead) {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    } else if (body.empty()) {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    } else {
        // A GET that carries a body stays a GET.
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.data());
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, "GET");
    }
}

// Runs the transfer on the handle's multi stack, so that a stop request can wake the
// wait at once (curl_multi_wakeup) instead of at the next progress tick.
CURLcode runTransfer(HttpHandle::Impl& handle, const std::stop_token& stop) {
    if (curl_multi_add_handle(handle.multi, handle.easy) != CURLM_OK) return CURLE_FAILED_INIT;
    CURLcode result = CURLE_OK;
    bool done = false;
    {
        CURLM* multi = handle.multi;
        std::stop_callback wake(stop, [multi] { curl_multi_wakeup(multi); });
        while (!done) {
            if (stop.stop_requested()) {
                result = CURLE_ABORTED_BY_CALLBACK;
                break;
            }
            int running = 0;
            if (curl_multi_perform(multi, &running) != CURLM_OK) {
                result = CURLE_FAILED_INIT;
                break;
            }
            int queued = 0;
            while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
                if (message->msg == CURLMSG_DONE && message->easy_handle == handle.easy) {
                    result = message->data.result;
                    done = true;
                }
            }
            if (done || running == 0) break;
            if (curl_multi_poll(multi, nullptr, 0, 1000, nullptr) != CURLM_OK) {
                result = CURLE_FAILED_INIT;
                break;
            }
        }
    }
    curl_multi_remove_handle(handle.multi, handle.easy);
    return result;
}

}  // namespace

HttpHandle::Impl::Impl() {
    initLibraryOnce();
    easy = curl_easy_init();
    multi = curl_multi_init();
}

HttpHandle::HttpHandle() : impl_(std::make_unique<Impl>()) {}
HttpHandle::~HttpHandle() = default;
HttpHandle::HttpHandle(HttpHandle&&) noexcept = default;
HttpHandle& HttpHandle::operator=(HttpHandle&&) noexcept = default;

Text completeHeaderBlock(const Text& headers, const Text& url) {
    Text block = headers;
    if (block.empty()) {
        block = "Accept: */*";
    } else if (find_text(block, "Accept:") == -1) {
        block += "\r\nAccept: */*";
    }
    if (find_text(block, "Referer:") == -1) block += "\r\nReferer: " + url;
    if (find_text(block, "Accept-Language:") == -1) block += "\r\nAccept-Language: zh-cn";
    if (find_text(block, "User-Agent:") == -1) block += "\r\nUser-Agent: " + kUserAgent;
    if (find_text(block, "Content-Type:") == -1) {
        block += "\r\nContent-Type: application/x-www-form-urlencoded";
    }
    return block;
}

ByteArray httpRequest(HttpRequestParams& params) {
    initLibraryOnce();
    std::unique_ptr<HttpHandle::Impl> ownHandle;
    HttpHandle::Impl* handle = params.requestObject ? params.requestObject->impl() : nullptr;
    if (handle == nullptr) {
        ownHandle = std::make_unique<HttpHandle::Impl>();
        handle = ownHandle.get();
    }
    if (handle->easy == nullptr || handle->multi == nullptr) {
        params.outcome = HttpOutcome::Failed;
        return {};
    }
    CURL* easy = handle->easy;
    curl_easy_reset(easy);

    params.headers = completeHeaderBlock(params.headers, params.url);
    HeaderList requestHeaders;
    if (!params.cookies.empty()) requestHeaders.add("Cookie: " + params.cookies);
    const TextList lines = find_text(params.headers, "\r\n") == -1
                               ? TextList{params.headers}
                               : split_text(params.headers, "\r\n");
    bool callerExpect = false;
    for (const Text& line : lines) {
        std::string header;
        if (line.empty() || !headerLineFor(line, header)) continue;
        if (find_text(line, "Expect:", 1, true) == 1) callerExpect = true;
        requestHeaders.add(header);
    }
    // The library would otherwise hold a larger POST body back for "100 Continue".
    if (!callerExpect) requestHeaders.add("Expect:");

    const std::string& body = !params.postBytes.empty() ? params.postBytes.bytes : params.postText;
    Transfer transfer;
    transfer.maxBody = params.maxBodyBytes;

    const bool allowed = isWebAddress(params.url);
    CURLcode code = CURLE_UNSUPPORTED_PROTOCOL;
    if (allowed) {
        curl_easy_setopt(easy, CURLOPT_URL, params.url.c_str());
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, params.noRedirect ? 0L : 1L);
        curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
        // Certificates of unknown authority, wrong name or date are accepted.
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 0L);
        curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
        applyTimeouts(easy, params.timeoutSeconds);
        applyProxy(easy, params);
        applyVerb(easy, params.method, body);
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, requestHeaders.list);
        if (params.maxBodyBytes > 0) {
            curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE,
                             static_cast<curl_off_t>(params.maxBodyBytes));
        }
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, onBody);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
        curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, onHeader);
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, &transfer);
        code = runTransfer(*handle, params.stop);
    }
    params.outcome = transfer.tooLarge ? HttpOutcome::TooLarge : outcomeOf(code);

    long status = 0;
    if (allowed) curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    params.status = static_cast<int>(status);
    // Header names come in any letter case; the cookie rules look for this spelling.
    params.responseHeaders = replace_text(transfer.headerLines, "Set-Cookie", "Set-Cookie");
    params.responseCookies = responseCookieText(params.responseHeaders);
    mergeCookies(params.cookies, params.responseCookies);
    // The handle must not keep pointers into this call's data.
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, nullptr);

    if (params.outcome != HttpOutcome::Ok) return {};
    return ByteArray(std::move(transfer.body));
}

}  // namespace qm
