#pragma once

#include <QList>
#include <QSize>
#include <QString>

class QWidget;

namespace pelnix::tools {

// The sizes the gallery shows every screen at, and the last steps of bringing a screen to one of them
// as the screenshot tool and the gallery tests take their pictures: a screen is set up by its fixture
// at the size it is about, then its window takes the size asked for, as a host's window would.
class GalleryStage {
public:
    struct Size {
        QString suffix; // of the picture's file name; empty for the phone
        QSize size;
    };
    // The phone the screens are drawn for, a larger phone and a desktop window.
    static const QList<Size>& sizes();
    static QSize phone() { return sizes().first().size; }
    // The pictures of `identifier`, one of the screens of `registered`: one at the size its identifier
    // names ("...@400x720", "...1024x768"), else one at each of the three sizes, less those the gallery
    // registers as screens of their own ("Room@400x720" or "Room400x720" beside "Room").
    static QList<Size> picturesOf(const QString& identifier, const QStringList& registered);

    // After the fixture: the window at `size`, its layout settled, its web views loaded and painted,
    // its maps' tiles for the area in view drawn and its delivered rows' times faded in.
    static void bringTo(QWidget* window, QSize size);
};

} // namespace pelnix::tools
