#pragma once

#include <QString>

// Tells the address of a picture someone uploaded from one of the service's default pictures.
namespace pelnix::TinyURLValidation {

// False for no address (a null string) and for any address that contains "profiles/dummy/profile"
// or "images/pattern" anywhere, query included; true otherwise, the empty address too.
bool isValidTinyURL(const QString& url);

} // namespace pelnix::TinyURLValidation
