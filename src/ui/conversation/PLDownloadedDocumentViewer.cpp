#include "ui/conversation/PLDownloadedDocumentViewer.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "platform/ui/DocumentPreview.h"
#include "platform/ui/Label.h"
#include "ui/conversation/ConversationMediaLog.h"

namespace pelnix {

PLDownloadedDocumentViewer::PLDownloadedDocumentViewer(QWidget* parent) : PLDownloadViewer(parent) {
    setObjectName(QStringLiteral("PLDownloadedDocumentViewer"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(239, 239, 244));
    setPalette(palette);
    m_unavailableLabel = new platform::ui::Label(QString(), this);
    m_unavailableLabel->setObjectName(QStringLiteral("unavailableLabel"));
    m_unavailableLabel->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15));
    m_unavailableLabel->setAlignment(Qt::AlignCenter);
    m_unavailableLabel->setNumberOfLines(0);
    m_unavailableLabel->hide();
}

void PLDownloadedDocumentViewer::showDocumentForPath(const QUrl& fileURL) {
    m_documentPathURL = fileURL;
    if (!m_previewController) {
        m_previewController = new platform::ui::DocumentPreview(this);
        m_previewController->setObjectName(QStringLiteral("previewController"));
        m_previewController->show();
        // The document is read after it is shown: a damaged one says so then.
        connect(m_previewController, &platform::ui::DocumentPreview::documentFailed, this,
                &PLDownloadedDocumentViewer::showUnavailable);
    }
    layOut();
    const auto error = m_previewController->showDocument(fileURL);
    m_previewController->setVisible(!error);
    m_unavailableLabel->setVisible(bool(error));
    if (error)
        showUnavailable(*error);
}

void PLDownloadedDocumentViewer::showUnavailable(const PLError& error) {
    qCInfo(lcConversationMedia) << "a document cannot be previewed:" << error.logText();
    m_previewController->hide();
    m_unavailableLabel->setText(PLCurrentBundleInfo::localizedString(error.localizedDescription));
    m_unavailableLabel->show();
}

void PLDownloadedDocumentViewer::resizeEvent(QResizeEvent* event) {
    PLDownloadViewer::resizeEvent(event);
    layOut();
}

void PLDownloadedDocumentViewer::layOut() {
    if (m_previewController)
        m_previewController->setGeometry(rect());
    m_unavailableLabel->setGeometry(20, height() / 2 - 40, width() - 40, 80);
}

void PLDownloadedDocumentViewer::doneButtonPressed() {
    delete m_previewController.data();
    PLDownloadViewer::doneButtonPressed();
}

} // namespace pelnix
