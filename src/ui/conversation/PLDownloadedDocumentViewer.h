#pragma once

#include "platform/ui/DocumentPreview.h"
#include "platform/ui/Label.h"
#include "ui/conversation/PLDownloadViewer.h"

#include <QPointer>
#include <QUrl>

namespace pelnix {

// A document's preview: PDF pages, a picture or plain text. A kind the preview cannot show, or a
// damaged file, says so in place of the preview (files are not handed to other applications: only
// the allowed schemes are opened outside the library).
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

protected:
    void resizeEvent(QResizeEvent* event) override;
    void layOut() override;

private:
    void showUnavailable(const PLError& error);

    QUrl m_documentPathURL;
    QPointer<platform::ui::DocumentPreview> m_previewController;
    QPointer<platform::ui::Label> m_unavailableLabel;
};

} // namespace pelnix
