#pragma once

#include "foundation/PLStoredModel.h"

#include <QVariantMap>

namespace pelnix {

// A persisted store of analytics event records for a host or a later feature to keep between runs;
// the library itself neither reads nor writes it (events go to the host's tracker delegate). Saved as
// "PLAnalyticsData.plist" in Application Support by the shared instance's save().
class PLAnalyticsData : public PLStoredModelOf<PLAnalyticsData> {
    Q_OBJECT
    Q_PROPERTY(QVariantMap analyticsEventsDict MEMBER m_analyticsEventsDict)
public:
    PLAnalyticsData() = default;

    // Changed in place; the change lasts once saved.
    QVariantMap& analyticsEventsDict() { return m_analyticsEventsDict; }
    const QVariantMap& analyticsEventsDict() const { return m_analyticsEventsDict; }
    void setAnalyticsEventsDict(const QVariantMap& events) { m_analyticsEventsDict = events; }

private:
    QVariantMap m_analyticsEventsDict;
};

} // namespace pelnix
