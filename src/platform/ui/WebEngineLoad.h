#pragma once

#include <QString>
#include <QUrl>

namespace pelnix::platform::ui {

// A change of a page's load as the browser engine module reports it, in plain values, so that
// what it means to the screen is decided in the library. The enumerations keep the engine's order
// and values, which error reports carry.
struct WebEngineLoad {
    enum class Status { Started, Stopped, Succeeded, Failed };
    enum class ErrorDomain { None, Internal, Connection, Certificate, Http, Ftp, Dns, HttpStatusCode };

    QUrl url;
    Status status = Status::Started;
    ErrorDomain errorDomain = ErrorDomain::None;
    // The engine's own (network) error code.
    int errorCode = 0;
    QString errorString;
};

} // namespace pelnix::platform::ui
