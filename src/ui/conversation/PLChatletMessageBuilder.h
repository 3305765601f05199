#pragma once

#include <QString>
#include <QVariantList>
#include <QVariantMap>

namespace pelnix {

// The message JSON the chatlet composer posts, from a downloaded form definition and what the user
// filled in (field "id" to value). Wire shapes: docs/smart-messages.md ("Composed chatlets").
//
// A new chatlet carries its values under "content" (a "list" field as [{"id": "1", "text": ...}]),
// and one link a form action ("compose", "details", "comments") under "links", each a relative
// "<action>/<Base64 of {SmartType, ParamInfoDict, ActionInfoDict}>" that the page resolves against
// the base URL, so the link classification finds the action. The compose link's ActionInfoDict
// carries the form's "reply" fields, their choices filled in from the new chatlet's content. Shared
// contacts and locations take the library's own form templates.
class PLChatletMessageBuilder {
public:
    // Field types the composer can fill.
    static const QStringList& supportedFieldTypes();
    // Whether every field of the form is of a supported type (a form without fields is not).
    static bool canCompose(const QVariantList& fields);

    static QString newChatletJSON(const QString& smartType, const QVariantMap& form,
                                  const QVariantMap& values, const QString& formId);
    // An answer to the chatlet `formId` through its reply form.
    static QString replyJSON(const QString& smartType, const QString& formId, const QVariantMap& values);

    // The relative link of one action of a chatlet.
    static QString actionLink(const QString& action, const QString& smartType, const QVariantMap& params,
                              const QVariantMap& actionInfo);
    // The reply fields of a form with their "choicesFrom" resolved against the chatlet's content.
    static QVariantList replyFields(const QVariantMap& form, const QVariantMap& content);
};

} // namespace pelnix
