#pragma once

#include "foundation/PLStoredModel.h"

#include <QVariantMap>
#include <memory>

namespace pelnix {

// The library's branding colours, from the bundle's "PLColorConfiguration.plist" (or its saved copy
// in Application Support). Colours are hex colour texts ("rrggbb" or "rrggbbaa", "#" allowed).
// The navigation title colour is the one the library's navigation bars show when the host chose none.
class PLColorConfiguration : public PLStoredModelOf<PLColorConfiguration> {
    Q_OBJECT
    Q_PROPERTY(QString navigationTitleColor MEMBER m_navigationTitleColor)
    Q_PROPERTY(QString cellSelectionHighlightColor MEMBER m_cellSelectionHighlightColor)
    Q_PROPERTY(QString logoImageName MEMBER m_logoImageName)
    Q_PROPERTY(QVariantMap domainSpecificColorConfiguration MEMBER m_domainSpecificColorConfiguration)
public:
    PLColorConfiguration() = default;

    // The shared instance, loaded on first use.
    static std::shared_ptr<PLColorConfiguration> colorConfiguration();

    QString navigationTitleColor() const { return m_navigationTitleColor; }
    void setNavigationTitleColor(const QString& v) { m_navigationTitleColor = v; }
    QString cellSelectionHighlightColor() const { return m_cellSelectionHighlightColor; }
    void setCellSelectionHighlightColor(const QString& v) { m_cellSelectionHighlightColor = v; }
    QString logoImageName() const { return m_logoImageName; }
    void setLogoImageName(const QString& v) { m_logoImageName = v; }
    QVariantMap domainSpecificColorConfiguration() const { return m_domainSpecificColorConfiguration; }
    void setDomainSpecificColorConfiguration(const QVariantMap& v) { m_domainSpecificColorConfiguration = v; }

private:
    QString m_navigationTitleColor;
    QString m_cellSelectionHighlightColor;
    QString m_logoImageName;
    QVariantMap m_domainSpecificColorConfiguration;
};

} // namespace pelnix
