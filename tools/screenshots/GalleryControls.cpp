#include "GalleryControls.h"
#include "GalleryPictures.h"

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/SearchBar.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Slider.h"
#include "platform/ui/Switch.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/ViewController.h"

#include "ui/toolkit/PLBlurView.h"
#include "ui/toolkit/PLPopoverController.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QVBoxLayout>

namespace pelnix::tools {

using namespace platform::ui;

namespace {
QWidget* whitePage() {
    auto* page = new QWidget;
    page->setAutoFillBackground(true);
    QPalette palette = page->palette();
    palette.setColor(QPalette::Window, Qt::white);
    page->setPalette(palette);
    return page;
}

QWidget* labelled(const QString& text, QWidget* control) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(15, 6, 15, 6);
    auto* label = new QLabel(text);
    label->setFont(galleryFont(15));
    layout->addWidget(label);
    layout->addStretch();
    layout->addWidget(control);
    return row;
}

// Switches (one on), a segmented control with a selection, a slider and a toolbar at the bottom.
class ControlsController : public ViewController {
public:
    ControlsController() { setTitle(QStringLiteral("Notifications")); }

protected:
    QWidget* loadView() override {
        QWidget* page = whitePage();
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 12, 0, 0);
        auto* sound = new Switch;
        sound->setOn(true);
        layout->addWidget(labelled(QStringLiteral("Sound"), sound));
        layout->addWidget(labelled(QStringLiteral("Vibrate"), new Switch));
        auto* show =
            new SegmentedControl({QStringLiteral("All"), QStringLiteral("Groups"), QStringLiteral("People")});
        show->setSelectedSegmentIndex(1);
        show->setFixedWidth(240);
        layout->addWidget(labelled(QStringLiteral("Show"), show));
        auto* volume = new Slider;
        volume->setValue(0.6f);
        volume->setFixedWidth(200);
        layout->addWidget(labelled(QStringLiteral("Volume"), volume));
        layout->addStretch();
        auto* toolbar = new Toolbar;
        toolbar->setItems({new BarButtonItem(QStringLiteral("Mark all read"), {}, toolbar),
                           new BarButtonItem(BarButtonItem::SystemItem::FlexibleSpace, {}, toolbar),
                           new BarButtonItem(QStringLiteral("Mute"), {}, toolbar)});
        layout->addWidget(toolbar);
        return page;
    }
};

// A search bar with Cancel and two scopes, over a short list.
class SearchController : public ViewController {
public:
    SearchController() { setTitle(QStringLiteral("Contacts")); }

protected:
    QWidget* loadView() override {
        QWidget* page = whitePage();
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        auto* bar = new SearchBar;
        bar->setText(QStringLiteral("an"));
        bar->setShowsCancelButton(true);
        bar->setScopeButtonTitles({QStringLiteral("Name"), QStringLiteral("Number")});
        bar->setShowsScopeBar(true);
        layout->addWidget(bar);
        for (const QString& name :
             {QStringLiteral("Anna Berg"), QStringLiteral("Dana Lin"), QStringLiteral("Jana Ortiz")}) {
            auto* row = new QLabel(name);
            row->setFont(galleryFont(15));
            row->setContentsMargins(15, 12, 15, 12);
            layout->addWidget(row);
        }
        layout->addStretch();
        return page;
    }
};

// Stripes of colour, so the blur has something to soften.
class Picture : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        for (int i = 0; i < 12; ++i)
            p.fillRect(QRect(0, i * height() / 12, width(), height() / 12 + 1),
                       QColor::fromHsv(i * 30, 160, 230));
        p.setPen(Qt::black);
        p.setFont(galleryFont(40));
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("Pelnix"));
    }
};

class BlurController : public ViewController {
public:
    BlurController() { setTitle(QStringLiteral("Blur")); }

protected:
    QWidget* loadView() override {
        auto* page = new Picture;
        auto* blur = new PLBlurView(page);
        blur->setObjectName(QStringLiteral("galleryBlur"));
        blur->setDynamic(false);
        blur->setBlurRadius(20);
        blur->setTintColor(Qt::white);
        return page;
    }
    void viewDidAppear(bool) override {
        auto* blur = view()->findChild<PLBlurView*>(QStringLiteral("galleryBlur"));
        blur->setGeometry(0, view()->height() / 2, view()->width(), view()->height() / 2);
        blur->updateAsynchronously(false);
    }
};

// A small menu shown in the popover; its rows set no font, so they show the popover's.
class MenuController : public ViewController {
protected:
    QWidget* loadView() override {
        auto* menu = new QWidget;
        auto* layout = new QVBoxLayout(menu);
        for (const QString& item : {QStringLiteral("Mute for an hour"), QStringLiteral("Mute until tomorrow"),
                                    QStringLiteral("Mute always")})
            layout->addWidget(new QLabel(item));
        return menu;
    }
};
} // namespace

void registerControlsGalleryScreens() {
    auto* registry = ScreenRegistry::shared();
    const QString gallery = QStringLiteral("Gallery");
    registry->registerScreen(gallery, QStringLiteral("Controls"),
                             [] { return new NavigationController(new ControlsController); });
    registry->registerScreen(gallery, QStringLiteral("SearchBar"),
                             [] { return new NavigationController(new SearchController); });
    registry->registerScreen(gallery, QStringLiteral("BlurView"),
                             [] { return new NavigationController(new BlurController); });
    registry->registerScreen(
        gallery, QStringLiteral("Popover"),
        [] {
            auto* page = new ControlsController;
            page->navigationItem()->setRightBarButtonItems(
                {new BarButtonItem(QStringLiteral("Mute"), {}, page)});
            return new NavigationController(page);
        },
        [](ViewController* controller) {
            auto* navigation = static_cast<NavigationController*>(controller);
            BarButtonItem* item =
                navigation->topViewController()->navigationItem()->rightBarButtonItems().value(0);
            auto* menu = new MenuController;
            menu->setPreferredContentSize(QSize(220, 110));
            auto* popover = new PLPopoverController(menu, controller);
            popover->presentPopoverFromBarButtonItem(item, PLPopoverArrowDirectionAny, false);
        });
}

} // namespace pelnix::tools
