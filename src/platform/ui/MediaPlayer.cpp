#include "MediaPlayer.h"

#include "QtMediaPlayer.h"

namespace pelnix::platform::ui {

namespace {
MediaPlayer::Maker& maker() {
    static MediaPlayer::Maker made;
    return made;
}
} // namespace

MediaPlayer* MediaPlayer::create(QObject* parent) {
    return maker() ? maker()(parent) : new QtMediaPlayer(parent);
}

void MediaPlayer::setMaker(Maker made) {
    maker() = std::move(made);
}

} // namespace pelnix::platform::ui
