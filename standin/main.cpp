// pelnix-standin: the stand-in messaging service as a program, for restart tests and the demo host.
#include "standin/StandinServer.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <semaphore.h>

namespace {

sem_t g_quit;

void onSignal(int) {
    sem_post(&g_quit); // async-signal-safe
}

void usage() {
    std::fprintf(stderr, "usage: pelnix-standin --data-dir DIR [--port N] [--s3-port N]\n");
}

} // namespace

int main(int argc, char** argv) {
    pelnix::standin::StandinServer::Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--port" && hasValue) {
            options.port = uint16_t(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--s3-port" && hasValue) {
            options.s3Port = uint16_t(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--data-dir" && hasValue) {
            options.dataDir = argv[++i];
        } else {
            usage();
            return 2;
        }
    }
    if (options.dataDir.empty()) {
        usage();
        return 2;
    }
    sem_init(&g_quit, 0, 0);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    pelnix::standin::StandinServer server(options);
    if (!server.start()) {
        std::fprintf(stderr, "pelnix-standin: cannot start (data folder %s, port %u)\n",
                     options.dataDir.c_str(), unsigned(options.port));
        return 1;
    }
    std::printf("PORT %u\nS3PORT %u\n", unsigned(server.port()), unsigned(server.s3Port()));
    std::fflush(stdout);
    while (sem_wait(&g_quit) != 0) {
    }
    server.stop();
    return 0;
}
