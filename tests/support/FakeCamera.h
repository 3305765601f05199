#pragma once

// The library's own picture choice (its picture selection helper) over the picker's fake with a
// camera: a test says what the camera takes next, or which picture the photo library hands over.
// For the tests of screens that ask for a picture; they link the account screens and the screen
// layer's doubles.

#include "platform/ui/testing/FakeImagePicker.h"
#include "ui/account/PLImageSelectionHelperProvider.h"

#include <QColor>
#include <QImage>
#include <QTemporaryDir>

namespace pelnix::test {

class FakeCamera {
public:
    FakeCamera() {
        PLImageSelectionProvider::setCurrent(std::make_unique<PLImageSelectionHelperProvider>());
        auto fake = std::make_unique<platform::ui::FakeImagePicker>();
        fake->cameraAvailable = true;
        m_picker = fake.get();
        platform::ui::ImagePicker::setCurrent(std::move(fake));
    }
    ~FakeCamera() {
        platform::ui::ImagePicker::setCurrent({});
        PLImageSelectionProvider::setCurrent({});
    }
    FakeCamera(const FakeCamera&) = delete;
    FakeCamera& operator=(const FakeCamera&) = delete;

    static QImage picture(QColor colour, int side = 300) {
        QImage image(side, side, QImage::Format_RGB32);
        image.fill(colour);
        return image;
    }
    // The next "Camera" choice takes this picture.
    void takes(const QImage& image) { m_picker->answer = platform::ui::PickedMedia{{}, false, image, {}}; }
    // The next "Photo Library" choice hands over this picture, kept in the library as a file.
    void libraryHolds(const QImage& image) {
        const QString item = m_library.filePath(QStringLiteral("item-%1.png").arg(++m_items));
        image.save(item);
        m_picker->answer = platform::ui::PickedMedia{item, false, image, {}};
    }
    platform::ui::FakeImagePicker* picker() const { return m_picker; }

private:
    platform::ui::FakeImagePicker* m_picker = nullptr;
    QTemporaryDir m_library;
    int m_items = 0;
};

} // namespace pelnix::test
