#pragma once

#include "platform/ui/TextView.h"

#include <QUrl>

namespace pelnix {

// The agreement line under the sign-up form, with its two links ("Terms and Conditions" and
// "Privacy Policy"), centred in small grey type.
class PLSignUpMessageTextView : public platform::ui::TextView {
    Q_OBJECT
public:
    explicit PLSignUpMessageTextView(QWidget* parent = nullptr);

    // Builds the text and its links; grows the view when the text needs more height.
    void awakeFromNib();

    // The links' addresses, shared by every agreement text and rebuilt by each.
    static QUrl termsAndConditionsControllerLink();
    static QUrl privacyPolicyControllerLink();
};

} // namespace pelnix
