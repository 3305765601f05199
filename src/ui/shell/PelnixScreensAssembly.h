#pragma once

namespace pelnix::PelnixScreensAssembly {

// Gives the facade its screens: every screen area's registration and the app-lock screen. Runs by
// itself when the library loads; callable again (it only sets the same hooks).
void install();

} // namespace pelnix::PelnixScreensAssembly
