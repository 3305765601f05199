#include "MediaPlayer.h"

#include "QtMediaPlayerEngine.h"
#include "ThreadedMediaPlayer.h"

namespace pelnix::platform::ui {

namespace {
MediaPlayer::Maker& maker() {
    static MediaPlayer::Maker made;
    return made;
}
} // namespace

MediaPlayer* MediaPlayer::create(QObject* parent) {
    if (maker())
        return maker()(parent);
    return new ThreadedMediaPlayer([] { return new QtMediaPlayerEngine; }, parent);
}

void MediaPlayer::setMaker(Maker made) {
    maker() = std::move(made);
}

} // namespace pelnix::platform::ui
