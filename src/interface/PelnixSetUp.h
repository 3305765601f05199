#pragma once

#include "platform/PLError.h"

#include <QLoggingCategory>
#include <QString>
#include <memory>

namespace pelnix {

class CurrentUserInfo;

Q_DECLARE_LOGGING_CATEGORY(lcFacade)

// What every entry of the facade shares: the one-time wiring of the layers and the session tests.
namespace PelnixSetUp {

// Connects the model to the layers above it (smart messages, widgets) once per process.
void ensureLibraryIsSetUp();
// Points the screens' colour helpers at the host's appearance settings and at the colour
// configuration; part of the one-time wiring (defined with the facade's appearance settings).
void connectAppearance();
// Loads the remote pictures of image views through the media layer's image loader (part of the
// set-up on a GUI application; also for tests and tools that show screens without a start-up).
void connectImageViews();
// Registers every screen and hands their analytics events to the host's tracker, through the library's
// assembly (part of the set-up on a GUI application).
void connectScreens();
// Points the model's smart-message rendering and the bring-up's downloads at the smart-message layer;
// done at every start-up, so that it holds whatever replaced them since.
void connectSmartMessages();
bool isInitialSetUpDone();
quint64 sessionState();
// The library's error with its localized text; logged when logging is on.
PLError error(qint64 code, const char* text);
// -1003 "InitWithCompletionHandler method is not called".
PLError notInitializedError();
// The account row while a user is logged in (states 1 and 2), the store opened for it; else null.
std::shared_ptr<CurrentUserInfo> loggedInAccount();

} // namespace PelnixSetUp
} // namespace pelnix
