#pragma once

// What the group information and new group tests share: the picture choice and upload doubles, the
// screen on a navigation stack in a window of its own, and the row texts shown.

#include "RoomsTestKit.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/NavigationItem.h"
#include "ui/account/PLImageSelectionProvider.h"
#include "ui/rooms/GroupPictureUpload.h"
#include "ui/rooms/PLGroupInfoTableViewCell.h"
#include "ui/rooms/PLGroupInfoViewController.h"

namespace pelnix::test {

// Answers each picture request with the next queued answer (a picture, or nothing) and records it.
class FakePictures : public PLImageSelectionProvider {
public:
    void showImageSelectionOptions(platform::ui::ViewController*, const Request& request,
                                   Handler handler) override {
        requests.append(request);
        if (!answers.isEmpty())
            handler(answers.takeFirst());
    }
    static QVariantMap picked(QColor color) {
        QImage image(64, 64, QImage::Format_RGB32);
        image.fill(color);
        return {{kEditedImageKey, image}, {kOriginalImageKey, image}, {kIsExistingMediaKey, true}};
    }
    QList<std::optional<QVariantMap>> answers;
    QList<Request> requests;

    // Installs a new one; the provider owns it.
    static FakePictures* install() {
        auto fake = std::make_unique<FakePictures>();
        FakePictures* raw = fake.get();
        PLImageSelectionProvider::setCurrent(std::move(fake));
        return raw;
    }
};

// Group pictures "stored" at once: each side gets the URL "http://pictures.test/<side>", unless the
// next queued outcome says otherwise.
struct FakeUploads {
    QList<int> sides;
    QList<PLSizedImageUpload::Outcome> outcomes;
    FakeUploads() {
        GroupPictureUpload::setUploader(
            [this](QObject*, const QImage&, int side, PLSizedImageUpload::Completion done) {
                sides << side;
                const auto outcome =
                    outcomes.isEmpty() ? PLSizedImageUpload::Outcome::Uploaded : outcomes.takeFirst();
                if (outcome != PLSizedImageUpload::Outcome::Uploaded) {
                    done(outcome, std::nullopt);
                    return;
                }
                PLMultiMediaInfo info;
                info.s3TinyURL = QStringLiteral("http://pictures.test/%1").arg(side);
                done(outcome, info);
            });
    }
    ~FakeUploads() { GroupPictureUpload::setUploader({}); }
};

// A plain screen to stand under others on a stack.
class PlainScreen : public platform::ui::ViewController {};

// Group information of a room on top of a navigation stack of `depth` screens, in a key window.
struct InfoOnScreen {
    Window window;
    NavigationController* nav = nullptr;
    PLGroupInfoViewController* info = nullptr;

    // Presented: the stack is a modal over another screen (`presenter`), as a host shows it.
    PlainScreen* presenter = nullptr;

    explicit InfoOnScreen(const QString& roomId, int depth = 2, QSize size = {320, 568},
                          bool presented = false) {
        auto* bottom = new PlainScreen;
        nav = new NavigationController(bottom);
        window.resize(size);
        if (presented) {
            presenter = new PlainScreen;
            window.setRootViewController(presenter);
            window.makeKeyAndVisible();
            presenter->presentViewController(nav, false);
        } else {
            window.setRootViewController(nav);
            window.makeKeyAndVisible();
        }
        for (int i = 2; i < depth; ++i)
            nav->pushViewController(new PlainScreen, false);
        info = qobject_cast<PLGroupInfoViewController*>(platform::ui::ScreenRegistry::shared()->instantiate(
            QStringLiteral("Home"), QStringLiteral("PLGroupInfoViewController")));
        info->setProperty("roomId", roomId);
        nav->pushViewController(info, false);
        QCoreApplication::processEvents();
    }
    TableView* table() const { return info->groupInfoTableView(); }
    PLGroupInfoTableViewCell* cell(int row) const {
        return qobject_cast<PLGroupInfoTableViewCell*>(table()->cellForRowAtIndexPath({0, row}));
    }
    AlertView* alert() const { return window.alerts().isEmpty() ? nullptr : window.alerts().last(); }
    // Answers the newest alert with the button titled `title`.
    bool answer(const QString& title) {
        AlertView* shown = alert();
        if (!shown)
            return false;
        for (int i = 0; i < shown->numberOfButtons(); ++i)
            if (shown->buttonTitleAtIndex(i) == title) {
                shown->tapButtonAtIndex(i);
                QCoreApplication::processEvents();
                return true;
            }
        return false;
    }
    void dismissAlerts() {
        for (AlertView* shown : window.alerts())
            shown->dismiss();
    }
    // The titles the rows below the cover show, in order.
    QStringList rowTitles() const {
        QStringList out;
        for (int row = 1; row < table()->numberOfRows(0); ++row) {
            PLGroupInfoTableViewCell* shown = cell(row);
            if (!shown)
                out << QString();
            else if (shown->infoFieldLabel())
                out << shown->infoFieldLabel()->text();
            else if (shown->adminName())
                out << QStringLiteral("admin:") + shown->adminName()->text();
            else
                out << QStringLiteral("name:") + shown->groupNameTextField()->text();
        }
        return out;
    }
};

} // namespace pelnix::test
