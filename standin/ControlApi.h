#pragma once

#include "RouteGuard.h"

#include <httplib.h>

namespace pelnix::standin {

class StandinServer;

// The test-control API under /_ctl/: thin HTTP wrappers over the server's in-process control calls.
class ControlApi {
public:
    ControlApi(StandinServer& server, const RouteGuard& guard) : m_server(server), m_guard(guard) {}
    void install(httplib::Server& http);

private:
    StandinServer& m_server;
    const RouteGuard& m_guard;
};

} // namespace pelnix::standin
