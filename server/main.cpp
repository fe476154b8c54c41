// zephrun-server: serves a content directory and "request.aspx" until interrupted.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "server/content_server.h"

namespace {

void usage() {
    std::cerr << "usage: zephrun-server --content DIR [--media DIR] [--packages DIR] [--data DIR] "
                 "[--port N] [--host ADDR] [--db FILE]\n"
                 "  --media DIR     pictures, previews and clips served under media/\n"
                 "  --packages DIR  mix packages (NAME.mxp4) served under mix/\n"
                 "  --data DIR      where photo reports are kept (default: a temporary directory)\n"
                 "  --port N        port to listen on (default 8642; 0 picks a free one)\n"
                 "  --host ADDR     address to bind (default 127.0.0.1)\n"
                 "  --db FILE       SQLite file for sessions, events, members and reports "
                 "(default: in memory)\n";
}

} // namespace

int main(int argc, char** argv) {
    zserver::ServerOptions options;
    options.port = 8642;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::cerr << "zephrun-server: " << arg << " needs a value\n";
                std::exit(2); // NOLINT(concurrency-mt-unsafe): no thread runs yet
            }
            return argv[++i];
        };
        if (arg == "--content")
            options.contentDir = value();
        else if (arg == "--media")
            options.mediaDir = value();
        else if (arg == "--packages")
            options.packagesDir = value();
        else if (arg == "--data")
            options.dataDir = value();
        else if (arg == "--db")
            options.dbPath = value();
        else if (arg == "--host")
            options.host = value();
        else if (arg == "--port") {
            char* end = nullptr;
            const char* v = value();
            long p = std::strtol(v, &end, 10);
            if (*v == '\0' || *end != '\0' || p < 0 || p > 65535) {
                std::cerr << "zephrun-server: bad port \"" << v << "\"\n";
                return 2;
            }
            options.port = static_cast<int>(p);
        } else if (arg == "-h" || arg == "--help") {
            usage();
            return 0;
        } else {
            std::cerr << "zephrun-server: unknown argument \"" << arg << "\"\n";
            usage();
            return 2;
        }
    }
    if (options.contentDir.empty()) {
        usage();
        return 2;
    }
    options.log = [](std::string_view line) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    };

    // Block the stop signals in every thread, then wait for them on this one.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    zserver::ContentServer server(options);
    if (!server.start()) {
        std::cerr << "zephrun-server: " << server.error() << "\n";
        return 1;
    }
    std::printf("zephrun-server: listening on %s (content %s)\n", server.baseURL().c_str(),
                options.contentDir.c_str());
    std::fflush(stdout);

    int sig = 0;
    sigwait(&stopSignals, &sig);
    server.stop();
    std::printf("zephrun-server: stopped\n");
    return 0;
}
