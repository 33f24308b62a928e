// sample_portal: a small news portal on loopback that serves GBK list and article
// pages in the layout the collector reads, for tests, benchmarks and demos on a
// machine without internet access.
//
//   sample_portal --port N [--articles K] [--host 127.0.0.1] [--no-rejects]
//
// --no-rejects makes every article storable (no short headlines or bodies).
// Port 0 picks a free port. The first line on standard output is "listening on
// <port>" (flushed) once the port is bound. SIGINT or SIGTERM end the server.
#include <httplib.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "portal_pages.h"

namespace {

struct Options {
    std::string host = "127.0.0.1";
    int port = -1;
    int articles = 400;
    bool rejects = true;
};

bool readNumber(const char* text, int& out) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 0 || value > 1000000) return false;
    out = static_cast<int>(value);
    return true;
}

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        if (flag == "--no-rejects") {
            options.rejects = false;
            continue;
        }
        if (i + 1 >= argc) return false;
        const char* value = argv[++i];
        if (flag == "--port") {
            if (!readNumber(value, options.port) || options.port > 65535) return false;
        } else if (flag == "--articles") {
            if (!readNumber(value, options.articles)) return false;
        } else if (flag == "--host") {
            options.host = value;
        } else {
            return false;
        }
    }
    return options.port >= 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(
            stderr,
            "usage: sample_portal --port N [--articles K] [--host 127.0.0.1] [--no-rejects]\n"
            "  --port 0 picks a free port; the first output line names it\n");
        return 2;
    }

    // The signals are taken by a thread of our own, so the server stops cleanly.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    httplib::Server server;
    int port = options.port;
    if (port == 0) {
        port = server.bind_to_any_port(options.host);
    } else if (!server.bind_to_port(options.host, port)) {
        port = -1;
    }
    if (port <= 0) {
        std::fprintf(stderr, "sample_portal: cannot listen on %s:%d\n", options.host.c_str(),
                     options.port);
        return 1;
    }

    qm::portal::PortalLayout layout;
    layout.articles = options.articles;
    layout.rejects = options.rejects;
    const std::string base = "http://" + options.host + ":" + std::to_string(port);
    server.Get(".*", [&](const httplib::Request& request, httplib::Response& response) {
        const qm::portal::PortalResponse page = qm::portal::respond(layout, base, request.path);
        response.status = page.status;
        response.set_content(page.body, "text/html; charset=gbk");
    });

    std::thread stopper([&server, signals] {
        int received = 0;
        sigwait(&signals, &received);
        server.stop();
    });
    stopper.detach();

    std::printf("listening on %d\n", port);
    std::fflush(stdout);
    const bool served = server.listen_after_bind();
    return served ? 0 : 1;
}
