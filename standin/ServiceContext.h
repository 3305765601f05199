#pragma once

#include "EventHub.h"
#include "FaultInjector.h"
#include "RequestLog.h"
#include "StandinStore.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>

namespace pelnix::standin {

// What the request handlers of the service share.
struct ServiceContext {
    StandinStore& store;
    EventHub& hub;
    FaultInjector& faults;
    RequestLog& log;
    std::function<std::string()> baseUrl;
    std::function<std::string()> s3Endpoint;
    std::atomic<bool>& stopping;
    int keepAliveMs = 15000;
    // The largest request body taken, whatever its content type.
    size_t maxBodyBytes = 0;
};

} // namespace pelnix::standin
