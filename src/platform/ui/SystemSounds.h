#pragma once

#include <QHash>
#include <QObject>
#include <QUrl>

class QSoundEffect;

namespace pelnix::platform::ui {

// The short sounds the screens play by the system's sound numbers: the pad's key click, the
// failure vibration, and the sounds of a message sent or received. They are bundled files;
// a desktop has no vibration motor, so that one plays nothing. Without an audio device nothing is
// heard either, and nothing fails.
class SystemSounds : public QObject {
    Q_OBJECT
public:
    static constexpr int KeyPressClick = 1105;
    static constexpr int Vibrate = 4095;
    static constexpr int MessageReceived = 1003;
    static constexpr int MessageSent = 1004;

    // Main thread only; the instance lives as long as the application object.
    static SystemSounds* shared();
    // The bundled file of a sound number; empty when the number has none.
    static QUrl fileForSound(int soundID);

    void play(int soundID);

signals:
    void played(int soundID);

private:
    using QObject::QObject;
    QHash<int, QSoundEffect*> m_effects;
};

} // namespace pelnix::platform::ui
