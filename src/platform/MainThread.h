#pragma once

#include <functional>

namespace pelnix::platform {

// True on the thread of the application object (the main thread).
bool isMainThread();

// Queues `fn` to the main thread's event loop; it runs after the current event, in posting order
// with every other block queued this way. Blocks queued while others wait share one wake-up.
void runOnMain(std::function<void()> fn);

// Runs `fn` at once when called on the main thread; otherwise blocks until the main thread has run
// it. The main thread must never wait for a thread that is inside runOnMainSync.
void runOnMainSync(const std::function<void()>& fn);

} // namespace pelnix::platform
