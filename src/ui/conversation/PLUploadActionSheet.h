#pragma once

#include "core/model/ChatRoom.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/ViewController.h"

#include <QPointer>
#include <QVariantMap>
#include <functional>

namespace pelnix {

// The chat window's attachment menu: take a photo or video, choose an existing one, send the
// location, share a contact. It runs the pickers, asks for a caption on pictures, saves camera
// captures into the album, checks the size half a second later, and hands the item to the room as
// {"PLPickerSelectionInfoKey": the picker's info, "PLMediaInfoKey": its PLMultiMediaInfo}. It is a
// controller only so that the chat window finds it by its registry identifier; it shows no view of
// its own. The chat window makes one and shows it on every tap.
class PLUploadActionSheet : public platform::ui::ViewController {
    Q_OBJECT
    Q_PROPERTY(QString roomId READ roomId WRITE setRoomId)
    Q_PROPERTY(QObject* inViewController READ inViewControllerObject WRITE setInViewController)
    Q_PROPERTY(QObject* postChatletDelegate READ postChatletDelegate WRITE setPostChatletDelegate)
public:
    static inline const QString kStoryboard = QStringLiteral("Home");
    static inline const QString kIdentifier = QStringLiteral("PLUploadActionSheet");
    static inline const QString kPickerSelectionInfoKey = QStringLiteral("PLPickerSelectionInfoKey");
    static inline const QString kMediaInfoKey = QStringLiteral("PLMediaInfoKey");
    static constexpr qint64 kSizeCheckDelayMs = 500;
    enum ButtonIndex { TakePhotoIndex = 0, ChooseExistingIndex, SendLocationIndex, ShareContactIndex };

    // Where a picked item goes, with the upload bytes its description was made from; by default the
    // room's rich-media post.
    using MediaPoster = std::function<void(const ChatRoom::Ptr& room, const QVariantMap& mediaSelection,
                                           const QByteArray& data)>;
    static void setMediaPoster(MediaPoster poster);

    explicit PLUploadActionSheet(QObject* parent = nullptr);
    ~PLUploadActionSheet() override;

    ChatRoom::Ptr currentChatRoom() const;
    QString roomId() const { return m_roomId; }
    void setRoomId(const QString& roomId) { m_roomId = roomId; }
    platform::ui::ViewController* inViewController() const { return m_inViewController; }
    QObject* inViewControllerObject() const { return m_inViewController; }
    void setInViewController(QObject* controller);
    QObject* postChatletDelegate() const { return m_postChatletDelegate; }
    void setPostChatletDelegate(QObject* delegate) { m_postChatletDelegate = delegate; }
    platform::ui::ActionSheet* actionSheet() const { return m_actionSheet; }
    bool isExisting() const { return m_isExisting; }
    QString mediaCaption() const { return m_mediaCaption; }

    Q_INVOKABLE void showActionSheet();
    Q_INVOKABLE void cleanUp();
    void actionSheetDidDismissWithButtonIndex(int buttonIndex);
    void imagePickerControllerDidFinishPickingMediaWithInfo(const QVariantMap& info);
    void writeToGalleryIfNeededWithInfo(const QVariantMap& info);
    void writeCameraCapturedAssetURL(const QUrl& assetURL, const QVariantMap& info);
    void checkUploadSizeForInfo(const QVariantMap& info);
    void createPendingObjectWithCurrentPickerSelection(const QVariantMap& info);

private:
    void takePhotoOrVideo();
    void chooseExisting();
    void sendLocation();
    void shareContact();
    void presentPicker(bool camera);
    void showAlert(const QString& message);
    void dismissPresented();

    QString m_roomId;
    QPointer<platform::ui::ViewController> m_inViewController;
    QPointer<QObject> m_postChatletDelegate;
    QPointer<platform::ui::ActionSheet> m_actionSheet;
    bool m_isExisting = false;
    QString m_mediaCaption;
};

} // namespace pelnix
