#pragma once

#include "core/model/PLCountryInfo.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableViewCell.h"

#include <QPointer>

namespace pelnix {

// A row of the country picker: the country's name, "+" and its dialling code, and a mark when it is
// the chosen one. Cells start unmarked, new and reused alike.
class PLCountryCodeTableViewCell : public platform::ui::TableViewCell {
    Q_OBJECT
public:
    explicit PLCountryCodeTableViewCell(const QString& reuseIdentifier, QWidget* parent = nullptr);

    platform::ui::Label* countryNameLabel() const { return m_name; }
    platform::ui::Label* countryCodeLabel() const { return m_code; }
    platform::ui::ImageView* selectionStatusImageView() const { return m_status; }
    bool isCountrySelected() const { return m_selected; }

    void setCountryInfo(const PLCountryInfo& country);
    void setCountrySelected(bool selected);
    void prepareForReuse() override;

    // The mark of the chosen row: the bundle's "select_address_book", or a drawn tick without it.
    static QImage selectionMark();

protected:
    void layoutSubviews() override;

private:
    bool m_rightToLeft = false;
    bool m_selected = false;
    QPointer<platform::ui::Label> m_name;
    QPointer<platform::ui::Label> m_code;
    QPointer<platform::ui::ImageView> m_status;
};

} // namespace pelnix
