#pragma once

// The world the screen tour and the gallery show the library's own screens in: the stand-in behind a
// signed-in account, a room of three people with a conversation, and on demand what single screens
// need (invitations, a public group, the smart-message downloads, an address book, a picture, a PDF, a
// web page on a loopback peer, a position log and the stand-in's map tiles), so that every screen
// shows what a user would find on it.

#include "CoreFixture.h"
#include "LoopbackPeer.h"

#include "core/model/Message.h"

#include <QTemporaryDir>
#include <memory>

namespace pelnix::platform::ui {
class ViewController;
class Window;
} // namespace pelnix::platform::ui

namespace pelnix::test {

class LibraryScreenWorld {
public:
    static inline const QString kRoomID = QStringLiteral("tour-room");
    // What a screen that shows a file is given: "" a picture, "pdf" a document.
    static inline const QString kPdfState = QStringLiteral("pdf");

    LibraryScreenWorld();
    ~LibraryScreenWorld();
    LibraryScreenWorld(const LibraryScreenWorld&) = delete;
    LibraryScreenWorld& operator=(const LibraryScreenWorld&) = delete;

    // The screen a container or navigation controller shows in front.
    static platform::ui::ViewController* frontScreen(platform::ui::ViewController* controller);
    // Whether the registry's screen `storyboard`/`identifier` is shown as it is, never the top of a
    // navigation stack of its own: a part of another screen, or a screen with its own top.
    static bool isShownAlone(const QString& storyboard, const QString& identifier);
    // `controller`, the registry's screen `storyboard`/`identifier`, as a host or another screen
    // shows it: inside a navigation controller, pushed over a screen when it is only ever pushed, or
    // as it is when it is a navigation controller, a gallery's, shown alone or the one screen of its
    // storyboard.
    static platform::ui::ViewController* asShown(const QString& storyboard, const QString& identifier,
                                                 platform::ui::ViewController* controller);

    // Hands the screen in front what it is opened with, before it shows. Empty when all went well,
    // else what could not be made.
    QString stage(platform::ui::ViewController* front, const QString& state);
    // Brings the shown screen to its state and waits until it is drawn: lists fetched, pages loaded
    // and painted, map tiles in, no busy overlay. Empty when all went well, else what did not.
    QString settle(platform::ui::ViewController* front, platform::ui::Window& window, const QString& state);

    CoreFixture fixture;

private:
    void seedConversation();
    bool inviteTwo();
    bool downloadSmartFixtures();
    void fillAddressBook();
    Message::Ptr poll();
    QString writeSamples();

    QTemporaryDir m_files;
    std::unique_ptr<LoopbackPeer> m_peer;
    bool m_invited = false;
    bool m_smartFixtures = false;
    bool m_addressBook = false;
    QString m_picture;
    QString m_pdf;
    QList<Message::Ptr> m_shownMessages;
    Message::Ptr m_poll;
};

} // namespace pelnix::test
