#pragma once

#include <sys/resource.h>

namespace pelnix::platform {

// The address space of the document and media workers: what a hostile file makes the PDF engine or
// the media stack allocate fails inside the worker past this, not the machine. An ordinary page or
// video takes a small part of it (tens of MB); at most four media workers live at once.
inline constexpr rlim_t kWorkerAddressSpaceBytes = rlim_t(3) * 1024 * 1024 * 1024;

// Limits this process: in a worker's child process before it runs the worker (async-signal-safe), or
// first in a worker's main.
inline bool limitWorkerAddressSpace() {
    const rlimit limit{kWorkerAddressSpaceBytes, kWorkerAddressSpaceBytes};
    return setrlimit(RLIMIT_AS, &limit) == 0;
}

} // namespace pelnix::platform
