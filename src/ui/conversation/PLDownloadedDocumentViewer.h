#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/DocumentPreview.h"
#include "platform/ui/Label.h"
#include "ui/conversation/PLDownloadViewer.h"

#include <QPointer>
#include <QUrl>

namespace pelnix {

// A document's preview: PDF pages, a picture or plain text. A kind the preview cannot show says so
// and offers to open the file in another application.
class PLDownloadedDocumentViewer : public PLDownloadViewer {
    Q_OBJECT
public:
    explicit PLDownloadedDocumentViewer(QWidget* parent = nullptr);

    // The first call makes the preview; a later one shows another file in it.
    void showDocumentForPath(const QUrl& fileURL);
    void doneButtonPressed() override;

    QUrl documentPathURL() const { return m_documentPathURL; }
    platform::ui::DocumentPreview* previewController() const { return m_previewController; }
    platform::ui::Label* unavailableLabel() const { return m_unavailableLabel; }
    platform::ui::Button* openButton() const { return m_openButton; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layOut();

    QUrl m_documentPathURL;
    QPointer<platform::ui::DocumentPreview> m_previewController;
    QPointer<platform::ui::Label> m_unavailableLabel;
    QPointer<platform::ui::Button> m_openButton;
};

} // namespace pelnix
