#include "SystemSounds.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSoundEffect>
#include <QThread>

namespace pelnix::platform::ui {

SystemSounds* SystemSounds::shared() {
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    // Owned by the application object: the sound effects must go before the audio system does.
    static QPointer<SystemSounds> instance;
    if (!instance)
        instance = new SystemSounds(qApp);
    return instance;
}

QUrl SystemSounds::fileForSound(int soundID) {
    switch (soundID) {
    case KeyPressClick:
        return QUrl(QStringLiteral("qrc:/pelnix/sounds/key-click.wav"));
    case MessageReceived:
        return QUrl(QStringLiteral("qrc:/pelnix/sounds/message-received.wav"));
    case MessageSent:
        return QUrl(QStringLiteral("qrc:/pelnix/sounds/message-sent.wav"));
    default:
        return {};
    }
}

void SystemSounds::play(int soundID) {
    const QUrl file = fileForSound(soundID);
    if (!file.isEmpty()) {
        QSoundEffect*& effect = m_effects[soundID];
        if (!effect) {
            effect = new QSoundEffect(this);
            effect->setSource(file);
        }
        effect->play();
    }
    emit played(soundID);
}

} // namespace pelnix::platform::ui
