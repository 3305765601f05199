#pragma once

#include "platform/ui/ImageView.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

class QVariantAnimation;

namespace pelnix {

// The one busy overlay of the library: a dimmed layer over the key window with an animated picture
// kept above the keyboard. Driven only through show(), dismiss() and isVisible(); there is no nesting
// count. dismiss() takes effect on a later turn of the event loop, and a show() before then cancels
// it, so one request ending and the next beginning in the same turn leaves the overlay up without a
// second fade-in.
class PLActivityIndicatorView : public QObject {
    Q_OBJECT
public:
    static constexpr int kPictureSide = 250;
    static constexpr int kFadeInMs = 200;

    static PLActivityIndicatorView* sharedInstance();

    static void show();
    static void dismiss();
    static bool isVisible();

    // The overlay while it exists (it goes away with the window it was shown in).
    QWidget* overlay() const { return m_overlay; }
    platform::ui::ImageView* imageView() const { return m_imageView; }
    // The keyboard height last reported, 0 while the keyboard is hidden.
    static double keyboardHeight();

    ~PLActivityIndicatorView() override;

private:
    PLActivityIndicatorView();
    void showNow();
    void dismissNow();
    void makeOverlay();
    void placePicture(int durationMs);
    void startPulse();

    QPointer<QWidget> m_overlay;
    QPointer<platform::ui::ImageView> m_imageView;
    QPointer<QVariantAnimation> m_pulse;
};

} // namespace pelnix
