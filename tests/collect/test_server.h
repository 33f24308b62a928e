// LoopbackServer: a small HTTP/1.1 server on 127.0.0.1 for tests, started in-process.
//
// It binds a free port on construction and answers every request on its own thread
// with what the test's handler returns: a normal response, a hang (nothing is sent
// until the server stops), a reset (the connection is aborted with RST), or a response
// cut short (the declared length is not delivered). Every request is recorded as it
// arrived on the wire (raw bytes, header lines in order, body), so tests can check the
// exact header block, cookies and verb a client sent.
//
// Connections are closed after one response. The destructor wakes hanging handlers,
// closes every connection and joins every thread. The handler may run on several
// threads at once; the query functions are thread-safe.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace qm::testing {

struct ReceivedRequest {
    std::string raw;     // request line and header block as received, CR LF included
    std::string method;  // "GET", "POST", "HEAD", ...
    std::string target;  // the request target, e.g. "/a/1.shtml" or an absolute URL
    std::vector<std::pair<std::string, std::string>> headers;  // in wire order
    std::string body;

    // The value of the first header of that name (ASCII case ignored); "" if none.
    std::string header(const std::string& name) const {
        for (const auto& [key, value] : headers) {
            if (equalsIgnoringCase(key, name)) return value;
        }
        return {};
    }
    int headerCount(const std::string& name) const {
        int count = 0;
        for (const auto& entry : headers) count += equalsIgnoringCase(entry.first, name) ? 1 : 0;
        return count;
    }
    // The header lines exactly as sent, each ending CR LF.
    std::string headerBlock() const {
        const std::size_t lineEnd = raw.find("\r\n");
        if (lineEnd == std::string::npos) return {};
        return raw.substr(lineEnd + 2, raw.size() - lineEnd - 4);
    }

    static bool equalsIgnoringCase(const std::string& a, const std::string& b) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i) {
            auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
            if (lower(a[i]) != lower(b[i])) return false;
        }
        return true;
    }
};

struct Reply {
    enum class Kind { Normal, Hang, Reset, CutShort };
    Kind kind = Kind::Normal;
    int status = 200;
    std::string reason = "OK";
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    static Reply page(std::string body, int status = 200) {
        Reply reply;
        reply.status = status;
        reply.reason = status == 200 ? "OK" : (status == 404 ? "Not Found" : "Status");
        reply.headers.emplace_back("Content-Type", "text/html; charset=gbk");
        reply.body = std::move(body);
        return reply;
    }
    static Reply redirect(const std::string& location, int status = 302) {
        Reply reply;
        reply.status = status;
        reply.reason = "Found";
        reply.headers.emplace_back("Location", location);
        return reply;
    }
    static Reply of(Kind kind) {
        Reply reply;
        reply.kind = kind;
        return reply;
    }
};

class LoopbackServer {
  public:
    using Handler = std::function<Reply(const ReceivedRequest&)>;

    explicit LoopbackServer(Handler handler) : handler_(std::move(handler)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int yes = 1;
        ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 128) != 0) {
            return;
        }
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        if (::pipe2(wakeup_, O_CLOEXEC) != 0) return;
        acceptor_ = std::thread([this] { acceptLoop(); });
    }

    ~LoopbackServer() {
        stopping_ = true;
        if (wakeup_[1] >= 0) {
            const char byte = 'x';
            [[maybe_unused]] const auto written = ::write(wakeup_[1], &byte, 1);
        }
        if (acceptor_.joinable()) acceptor_.join();
        std::vector<std::thread> workers;
        {
            std::lock_guard lock(mutex_);
            workers.swap(workers_);
        }
        for (std::thread& worker : workers) worker.join();
        if (listener_ >= 0) ::close(listener_);
        for (const int fd : wakeup_) {
            if (fd >= 0) ::close(fd);
        }
    }

    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    bool ok() const { return port_ > 0 && acceptor_.joinable(); }
    int port() const { return port_; }
    // "http://127.0.0.1:<port>" followed by path.
    std::string url(const std::string& path = "") const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

    std::vector<ReceivedRequest> requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    int requestCount() const {
        std::lock_guard lock(mutex_);
        return static_cast<int>(requests_.size());
    }
    // Blocks until at least n requests have arrived; false if that takes longer than
    // the safety limit (a broken test must fail, not hang).
    bool waitForRequests(int n, std::chrono::seconds limit = std::chrono::seconds(30)) const {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, limit,
                                 [&] { return static_cast<int>(requests_.size()) >= n; });
    }

  private:
    void acceptLoop() {
        while (!stopping_) {
            pollfd fds[2] = {{listener_, POLLIN, 0}, {wakeup_[0], POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) continue;
            if (fds[1].revents != 0 || stopping_) break;
            if ((fds[0].revents & POLLIN) == 0) continue;
            const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) continue;
            std::lock_guard lock(mutex_);
            workers_.emplace_back([this, client] { serve(client); });
        }
    }

    // Waits until fd is readable or the server stops; false when stopping.
    bool waitReadable(int fd) const {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeup_[0], POLLIN, 0}};
        while (::poll(fds, 2, -1) < 0) {
        }
        return fds[1].revents == 0 && !stopping_;
    }

    // Reads one request; false when the connection ended before a whole one came.
    bool readRequest(int fd, ReceivedRequest& request) const {
        std::string data;
        char buffer[65536];
        std::size_t headerEnd = std::string::npos;
        while ((headerEnd = data.find("\r\n\r\n")) == std::string::npos) {
            if (!waitReadable(fd)) return false;
            const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0) return false;
            data.append(buffer, static_cast<std::size_t>(got));
        }
        request.raw = data.substr(0, headerEnd + 4);
        const std::size_t lineEnd = request.raw.find("\r\n");
        const std::string requestLine = request.raw.substr(0, lineEnd);
        const std::size_t space1 = requestLine.find(' ');
        const std::size_t space2 = requestLine.find(' ', space1 + 1);
        request.method = requestLine.substr(0, space1);
        request.target = requestLine.substr(space1 + 1, space2 - space1 - 1);
        std::size_t contentLength = 0;
        for (std::size_t at = lineEnd + 2; at < headerEnd;) {
            const std::size_t next = request.raw.find("\r\n", at);
            const std::string line = request.raw.substr(at, next - at);
            const std::size_t colon = line.find(':');
            std::string name = line.substr(0, colon);
            std::string value = colon == std::string::npos ? "" : line.substr(colon + 1);
            while (!value.empty() && value.front() == ' ') value.erase(0, 1);
            if (ReceivedRequest::equalsIgnoringCase(name, "Content-Length")) {
                contentLength = std::stoul(value);
            }
            request.headers.emplace_back(std::move(name), std::move(value));
            at = next + 2;
        }
        request.body = data.substr(headerEnd + 4);
        while (request.body.size() < contentLength) {
            if (!waitReadable(fd)) return false;
            const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0) return false;
            request.body.append(buffer, static_cast<std::size_t>(got));
        }
        return true;
    }

    static void sendAll(int fd, const std::string& data) {
        std::size_t sent = 0;
        while (sent < data.size()) {
            const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return;
            sent += static_cast<std::size_t>(n);
        }
    }

    void serve(int fd) {
        ReceivedRequest request;
        if (readRequest(fd, request)) {
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(request);
            }
            arrived_.notify_all();
            respond(fd, request, handler_(request));
        }
        ::close(fd);
    }

    void respond(int fd, const ReceivedRequest& request, const Reply& reply) const {
        switch (reply.kind) {
            case Reply::Kind::Hang: {
                // Nothing is sent; the connection stays open until the client gives
                // up or the server stops.
                char buffer[4096];
                while (waitReadable(fd) && ::recv(fd, buffer, sizeof buffer, 0) > 0) {
                }
                return;
            }
            case Reply::Kind::Reset: {
                const linger abort{1, 0};
                ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
                return;
            }
            case Reply::Kind::CutShort: {
                std::string head = "HTTP/1.1 200 OK\r\nContent-Length: " +
                                   std::to_string(reply.body.size() * 2 + 100) +
                                   "\r\nConnection: close\r\n\r\n";
                sendAll(fd, head + reply.body);
                const linger abort{1, 0};
                ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
                return;
            }
            case Reply::Kind::Normal:
                break;
        }
        std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " + reply.reason + "\r\n";
        for (const auto& [name, value] : reply.headers) head += name + ": " + value + "\r\n";
        head += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
        head += "Connection: close\r\n\r\n";
        sendAll(fd, request.method == "HEAD" ? head : head + reply.body);
    }

    Handler handler_;
    int listener_ = -1;
    int wakeup_[2] = {-1, -1};
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    mutable std::mutex mutex_;
    mutable std::condition_variable arrived_;
    std::vector<std::thread> workers_;
    std::vector<ReceivedRequest> requests_;
};

}  // namespace qm::testing
