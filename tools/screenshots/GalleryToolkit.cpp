#include "GalleryToolkit.h"
#include "GalleryPictures.h"

#include "platform/ui/CollectionStrip.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/PageView.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/ZoomingScrollView.h"

#include "ui/toolkit/PLActivityIndicatorView.h"
#include "ui/toolkit/PLCircularProgressView.h"
#include "ui/toolkit/PLCustomSearchView.h"
#include "ui/toolkit/PLCustomTextField.h"
#include "ui/toolkit/PLProfileUserNameTextField.h"
#include "ui/toolkit/PLRoundImageView.h"
#include "ui/toolkit/PLSplashScreenWithLogo.h"
#include "ui/toolkit/PLThinSeperatorImageView.h"
#include "ui/toolkit/ToolkitStyle.h"

#include <QPainter>
#include <QVBoxLayout>
#include <functional>

namespace pelnix::tools {

using namespace platform::ui;

namespace {
// A screen whose view is made by a function.
class WidgetPage : public ViewController {
public:
    WidgetPage(const QString& title, std::function<QWidget*()> make) : m_make(std::move(make)) {
        setTitle(title);
    }

protected:
    QWidget* loadView() override {
        QWidget* view = m_make();
        view->setAutoFillBackground(true);
        QPalette palette = view->palette();
        palette.setColor(QPalette::Window, Qt::white);
        view->setPalette(palette);
        return view;
    }

private:
    std::function<QWidget*()> m_make;
};

Label* paragraph(const QString& text) {
    auto* label = new Label(text);
    label->setFont(galleryFont(15));
    label->setNumberOfLines(0);
    label->setAlignsTop(true);
    label->setTextColor(QColor(64, 64, 64));
    return label;
}

// A picture to zoom: a grid with a circle, drawn at whatever size it is given.
class GridPicture : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillRect(rect(), QColor(245, 248, 252));
        painter.setPen(QColor(200, 210, 225));
        const qreal step = width() / 12.0;
        for (qreal x = 0; x < width(); x += step)
            painter.drawLine(QPointF(x, 0), QPointF(x, height()));
        for (qreal y = 0; y < height(); y += step)
            painter.drawLine(QPointF(0, y), QPointF(width(), y));
        painter.setPen(QPen(QColor(0, 134, 202), width() / 60.0));
        painter.drawEllipse(
            QRectF(rect()).adjusted(width() * 0.2, height() * 0.2, -width() * 0.2, -height() * 0.2));
    }
};

// Coloured chips for the strip.
class Chips : public CollectionStripDataSource {
public:
    int numberOfItemsInStrip(CollectionStrip*) override { return 30; }
    qreal widthForItem(CollectionStrip*, int index) override { return 56 + (index % 3) * 24; }
    ReusableView* viewForItem(CollectionStrip* strip, int index) override {
        ReusableView* view = strip->dequeueReusableView(QStringLiteral("chip"));
        if (!view)
            view = new ReusableView(QStringLiteral("chip"));
        view->setBackgroundColor(QColor::fromHsv((index * 37) % 360, 90, 235));
        return view;
    }
};

QWidget* pagesWithStrip() {
    auto* pages = new PageView;
    auto* media = new QWidget;
    auto* mediaColumn = new QVBoxLayout(media);
    mediaColumn->setContentsMargins(0, 12, 0, 0);
    auto* strip = new CollectionStrip;
    strip->setFixedHeight(64);
    static Chips chips;
    strip->setDataSource(&chips);
    auto* zoom = new ZoomingScrollView;
    auto* picture = new GridPicture;
    picture->resize(360, 360);
    zoom->setContentWidget(picture);
    zoom->setMinimumZoomScale(1);
    zoom->setMaximumZoomScale(3);
    zoom->setZoomScale(1.5, false, QPointF(0, 0));
    mediaColumn->addWidget(strip);
    mediaColumn->addWidget(zoom, 1);
    pages->addPage(QStringLiteral("Media"), media);
    auto* links = new QWidget;
    (new QVBoxLayout(links))->addWidget(paragraph(QStringLiteral("Links shared in this group.")));
    pages->addPage(QStringLiteral("Links"), links);
    auto* docs = new QWidget;
    (new QVBoxLayout(docs))->addWidget(paragraph(QStringLiteral("Documents shared in this group.")));
    pages->addPage(QStringLiteral("Docs"), docs);
    return pages;
}

class ShowButton : public PLCustomTextFieldDelegate {
public:
    bool shouldShowRightButtonOnTextField(PLCustomTextField*) override { return true; }
};

QWidget* commonWidgets() {
    auto* view = new QWidget;
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(0, 0, 0, 16);
    column->setSpacing(14);
    auto* search = new PLCustomSearchView;
    search->setPlaceholderText(QStringLiteral("Search contacts"));
    column->addWidget(search);

    auto* fields = new QVBoxLayout;
    fields->setContentsMargins(16, 0, 16, 0);
    fields->setSpacing(10);
    auto* email = new PLCustomTextField;
    email->setPlaceholder(QStringLiteral("Email"));
    email->awakeFromNib();
    static ShowButton showButton;
    auto* password = new PLCustomTextField;
    password->setCustomDelegate(&showButton);
    password->resize(343, password->sizeHint().height());
    password->setSecureTextEntry(true);
    password->setText(QStringLiteral("secret"));
    password->awakeFromNib();
    auto* name = new PLProfileUserNameTextField;
    name->setText(QStringLiteral("Dana Weiss"));
    auto* readOnly = new PLProfileUserNameTextField;
    readOnly->setText(QStringLiteral("Read-only name"));
    readOnly->updateTextFieldState(0);
    auto* hairline = new PLThinSeperatorImageView;
    hairline->setBackgroundColor(ToolkitStyle::accentColor());
    hairline->setFixedHeight(2);
    hairline->awakeFromNib();
    for (QWidget* w : std::initializer_list<QWidget*>{email, password, hairline, name, readOnly})
        fields->addWidget(w);
    column->addLayout(fields);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(16, 0, 16, 0);
    row->setSpacing(16);
    auto* round = new PLRoundImageView;
    round->setFixedSize(56, 56);
    round->resize(56, 56);
    QImage face(112, 112, QImage::Format_ARGB32_Premultiplied);
    face.fill(QColor(37, 165, 73));
    face.setDevicePixelRatio(2);
    round->setImage(face);
    round->awakeFromNib();
    row->addWidget(round);
    for (double value : {0.0, 0.25, 0.6, 1.0}) {
        auto* ring = new PLCircularProgressView;
        ring->setFixedSize(40, 40);
        ring->setWrapperColor(ToolkitStyle::progressTrackColor());
        ring->setProgress(value, false);
        row->addWidget(ring);
    }
    row->addStretch(1);
    column->addLayout(row);
    column->addStretch(1);
    return view;
}
} // namespace

void registerToolkitGalleryScreens() {
    auto* registry = ScreenRegistry::shared();
    const QString gallery = QStringLiteral("Gallery");
    registry->registerScreen(
        gallery, QStringLiteral("PageView"),
        [] {
            return new NavigationController(new WidgetPage(QStringLiteral("Group Media"), pagesWithStrip));
        },
        // The picture as it is being panned: its scroll indicators show.
        [](ViewController* controller) {
            if (auto* zoom = controller->view()->findChild<ZoomingScrollView*>())
                zoom->flashScrollIndicators();
        });
    registry->registerScreen(gallery, QStringLiteral("CommonWidgets"), [] {
        return new NavigationController(new WidgetPage(QStringLiteral("Widgets"), commonWidgets));
    });
    registry->registerScreen(gallery, QStringLiteral("Splash"), [] {
        return new WidgetPage(QString(), [] {
            auto* splash = new PLSplashScreenWithLogo;
            QImage picture(600, 400, QImage::Format_RGB32);
            picture.fill(QColor(230, 242, 250));
            splash->setCoBrandingImage(picture, QImage());
            return splash;
        });
    });
    registry->registerScreen(
        gallery, QStringLiteral("BusyIndicator"),
        [] {
            return new NavigationController(new WidgetPage(QStringLiteral("Group Info"), [] {
                auto* page = new QWidget;
                (new QVBoxLayout(page))
                    ->addWidget(paragraph(QStringLiteral("Leaving the group: the busy overlay stays up until "
                                                         "the server answers.")));
                return page;
            }));
        },
        [](ViewController*) { PLActivityIndicatorView::show(); });
}

} // namespace pelnix::tools
