#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Spinner.h"
#include "platform/ui/ViewController.h"

#include <QImage>
#include <QPointer>
#include <QRectF>

namespace pelnix {

// A profile picture or group icon over the whole screen ("PLProfileImageViewController"): it grows
// from where the user tapped, with the small picture in hand, while the large one loads, and shrinks
// back to that place when closed.
class PLProfileImageViewController : public platform::ui::ViewController {
    Q_OBJECT
public:
    static constexpr int kGrowMs = 500;
    static constexpr int kShrinkMs = 300;
    static inline const QString kNibName = QStringLiteral("PLProfileImageViewController");

    explicit PLProfileImageViewController(QObject* parent = nullptr);
    ~PLProfileImageViewController() override;

    // `frame` is in the window's coordinates: its origin the tap, its size the tapped view's.
    Q_INVOKABLE void showProfileImageWithThumbNailImage(const QImage& thumbnail, const QString& bigImageURL,
                                                        const QRectF& frame);
    Q_INVOKABLE void dismissProfileViewController();

    // Where the picture started, in the view's coordinates; where closing returns it.
    QRect initialFrame() const { return m_initialFrame; }
    platform::ui::ImageView* profileImageView() const { return m_profileImageView; }
    platform::ui::Spinner* imageLoadIndicator() const { return m_imageLoadIndicator; }
    platform::ui::Button* closeButton() const { return m_closeButton; }

protected:
    QWidget* loadView() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Where the picture stands once open: over the whole view; a placeholder image with nothing larger
    // to load (no picture URL) at its own size in the middle, made smaller only to fit.
    QRect openFrame();
    void placeCloseButton(QWidget* page);

    QPointer<platform::ui::ImageView> m_profileImageView;
    QPointer<platform::ui::Spinner> m_imageLoadIndicator;
    QPointer<platform::ui::Button> m_closeButton;
    QRect m_initialFrame;
    bool m_closing = false;
    QSize m_placeholderSize;
};

} // namespace pelnix
