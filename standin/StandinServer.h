#pragma once

// The local stand-in of the messaging service, for tests and the demo host.
//
// URL layout served on baseUrl() = "http://127.0.0.1:PORT/" (B below). The configuration resource
// points the client at these with "##BASEURL##" = B:
//   basePublicURL       B"api/public?"    public API, dispatched on "method" (echat.getChallenge,
//                                         echat.registerWithOTP, echat.verifyOTP, echat.updateProfile,
//                                         echat.verifyPhone, echat.resendSMSCode; GET echat.getUserConfig)
//   roomsURL            B"rooms/"         POST = create group; rooms/<id> (GET, DELETE = close),
//                                         rooms/<id>/update, rooms/<id>/changeadmin,
//                                         rooms/<id>/invitees[/<inviteeId>], rooms/<id>/members[/<userID>],
//                                         rooms/<id>/messages
//   roomsLiteURL        B"rooms/lite"     the user's room list
//   eventsURL           B"events?"        the event stream ("data: " lines, blank keep-alive lines).
//                                         Missing or wrong credentials answer 200 with the body
//                                         {"name":"NotAuthenticated",...}, which the client reads as
//                                         the end of the session; keep that status. Streams beyond
//                                         kMaxEventStreams answer 503.
//   contactsURL         B"contacts?"
//   publicRoomsURL      B"publicrooms"
//   echatusersURL       B"users"          users/<userID> = profile refresh
//   pushNotificationURL B"push/"          push/<userID> = device token
//   inviteURL           B"invite"
//   styleSheetURL       B"xslt", formJSONURL B"forms", chaletsURL B"chatlets" (fixtures: SmartFixtures.h)
//   baseS3TokenURL      B"s3/token"       Base64 JSON {"ak","sk","st","ep"}; "ep" = s3Endpoint()
//   baseS3FileURL       B"s3/file?"       short URLs B"s/<code>" that serve the stored object
//   splash images       B"splash/iOS/CoBrandingImage<scale>.png", ".../CoBrandingLogoImage<scale>.png"
//   picture bucket      "pelnix.media"    (not DNS-compatible, so clients use path-style S3 URLs)
//   mapTileURL          B"tiles/{z}/{x}/{y}.png", geocoderURL B"geocoder/" (MapService.h)
// The S3 object API (PutObject, GetObject, HeadObject, signature version 2; "x-amz-meta-" headers are
// kept with the object) is served on its own port:
// s3Endpoint() = "http://127.0.0.1:S3PORT", path style "/<bucket>/<key>" or virtual-host style
// (Host "<bucket>.127.0.0.1:S3PORT" or "<bucket>.s3.localhost:S3PORT").
// After 5 wrong one-time codes an address is locked: verifying and new codes answer "actionLockedErr"
// until DELETE B"_ctl/otp?email=" lifts it.
// The test-control API lives under B"_ctl/" (reset, users, otp, event, fault, release, held,
// close-streams, streams, log, messages, remove-user, userconfig, s3key, invitations).
//
// User IDs go out as decimal strings wherever clients read them with a string reader. Times are ms
// since 1970. State persists in SQLite in Options::dataDir, so a restart with the same folder keeps
// users, rooms, messages, sequence IDs and the event log; object bodies are files in its "objects"
// folder. The folder is private to its owner (0700, files 0600): it holds passwords, tokens, storage
// secrets and pending codes. Bodies over Options::maxBodyBytes are refused on both ports.

#include "standin/FaultInjector.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pelnix::standin {

class StandinServer {
public:
    struct Options {
        std::string dataDir;
        uint16_t port = 0;
        uint16_t s3Port = 0;
        // Blank keep-alive lines on idle event streams.
        int keepAliveMs = 15000;
        // The largest request body taken on either port, whatever its content type: room for the
        // longest message and for media well above the client's upload limit.
        size_t maxBodyBytes = size_t(64) * 1024 * 1024;
    };

    // Each open event stream holds one of the request workers, so streams beyond the cap are refused
    // with 503 and the rest of the workers stay free for ordinary requests.
    static constexpr int kRequestWorkers = 64;
    static constexpr int kMaxEventStreams = 32;

    using Fault = FaultInjector::Fault;
    using FaultMode = FaultInjector::Mode;

    struct LoggedRequest {
        std::string server; // "api" or "s3"
        std::string method, path, query;
        std::vector<std::pair<std::string, std::string>> headers;
        std::string body; // the first 16 KiB
        int status = 0;
        std::string responseBody; // the first 16 KiB
        std::string header(const std::string& name) const;
    };

    explicit StandinServer(Options options);
    ~StandinServer();
    StandinServer(const StandinServer&) = delete;
    StandinServer& operator=(const StandinServer&) = delete;

    // Opens the data folder, binds 127.0.0.1 and serves on its own threads; true once both ports accept.
    bool start();
    // Ends open streams and held replies, then stops serving. Safe to call twice.
    void stop();

    uint16_t port() const;
    uint16_t s3Port() const;
    std::string baseUrl() const;
    std::string s3Endpoint() const;

    // In-process control (the same operations as the HTTP control API).
    void reset();
    // {"org", "users": [{"id", "email", "name", "token", "phone", ...}], "rooms": [{"_id", "name",
    // "members": [ids], "admin", "public", "adminOnly", "type"}]} -> {"users": [{id, email, token}], "rooms":
    // [ids]}
    QJsonObject seed(const QJsonObject& description);
    std::string otp(const std::string& email) const;
    std::string smsCode(const std::string& email) const;
    // Lifts the lock that too many wrong one-time codes put on an address.
    void unlockOtp(const std::string& email);
    // Stores an event for one user (a "date" is added when missing) and sends it to the user's streams.
    QJsonObject injectEvent(int64_t userId, const QJsonObject& event);
    // Writes raw bytes to the user's open streams, in `parts` writes `pauseMs` apart. Not stored.
    void injectRaw(int64_t userId, const std::string& bytes, int parts = 1, int pauseMs = 0);
    bool addFault(const Fault& fault);
    void clearFaults();
    void releaseHeld();
    int heldCount() const;
    void closeStreams();
    int openStreams(int64_t userId = 0) const;
    // The latest 1,000 requests.
    std::vector<LoggedRequest> requestLog() const;
    void clearRequestLog();
    QJsonArray storedMessages(const std::string& roomId) const;
    bool removeUser(int64_t userId);
    void setUserConfigProps(const QJsonObject& props);
    void addStorageKey(const std::string& access, const std::string& secret, const std::string& sessionToken);
    QJsonArray invitations() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace pelnix::standin
