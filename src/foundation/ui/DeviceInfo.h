#pragma once

#include <QString>

namespace pelnix::DeviceInfo {

// Idiom of the key window (a phone when there is none).
bool isiPad();
bool isiPhone();
// The application's layout direction is right-to-left.
bool currentLocaleIsOfRTLType();
// Two-letter country of the current locale ("IN"), empty when unknown.
QString currentISOCountryCode();

} // namespace pelnix::DeviceInfo
