#pragma once

#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>

namespace pelnix {

class Message;

// Link types handed to the conversation screens with an info dictionary.
enum PLLinkType : int {
    PLLinkTypeBaseURL = 0,
    PLLinkTypeSMS = 1,
    PLLinkTypeMail = 2,
    PLLinkTypeTelephone = 3,
    PLLinkTypeMap = 4,
    PLLinkTypeCompose = 5,
    PLLinkTypeDownload = 6,
    PLLinkTypeDetails = 7,
    PLLinkTypeComments = 8,
    PLLinkTypeNone = 9,
    PLLinkTypeLocation = 10,
    PLLinkTypeImmediateResponse = 11,
    PLLinkTypeExternal = 12,
    PLLinkTypeInternal = 13,
    PLLinkTypeContact = 14,
};

inline constexpr char PLExternalLinkDict[] = "externalLinkDict";
inline constexpr char PLInternalLinkDict[] = "internalLinkDict";
inline constexpr char PLMessageToPost[] = "MessageToPost";
inline constexpr char PLSmartType[] = "SmartType";
inline constexpr char PLParamInfoDict[] = "ParamInfoDict";
inline constexpr char PLActionInfoDict[] = "ActionInfoDict";
// Links to this map service open the map screen.
inline constexpr char PLMapServiceHost[] = "www.openstreetmap.org";

using PLLinkProcessingHandler = std::function<void(int linkType, const QVariantMap& info)>;

// Classification of the links tapped in a smart message. The tests run in this order; the first
// that matches decides:
//   1 the text contains "sms:"; 2 it contains "mailto:" (both with the recipient and the query's
//   name-value pairs, percent-decoded); 3 it contains "tel:"; 4 it begins with the map service's
//   http or https address; 13 it begins with "http://pelnix:data=" or "https://pelnix:data=" followed
//   by the Base64 of a JSON object (the decoded object under "internalLinkDict");
//   a smart-message link: longer than the base URL plus 2 characters and containing it, the text
//   after the base URL being "<method>/<Base64 of a JSON object>" whose object carries "SmartType",
//   "ParamInfoDict" and "ActionInfoDict": method "compose..." 5, "download..." 6 (10 for SmartType
//   "location", 14 for "contact"), "comments..." 8, "details..." 7, a payload holding "@latlong" 10,
//   else 11 (an immediate response: no response is built, so the info is empty); a payload that is
//   not Base64 of a JSON object gives 12;
//   0 the text is the base URL itself; 12 anything else ("externalLinkDict" = the text).
class MessageLinkProcessing {
public:
    // Classifies `urlString` against the configured base URL and calls `handler` at once.
    static void processLinkURLString(const std::shared_ptr<Message>& message, const QString& urlString,
                                     const PLLinkProcessingHandler& handler);
    // The classification itself.
    static std::pair<int, QVariantMap> classifyLink(const QString& urlString, const QString& baseURL);
};

} // namespace pelnix
