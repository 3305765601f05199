#pragma once

#include "platform/ui/WeakDelegate.h"
#include "ui/conversation/PLDownloadedViewerDelegate.h"

#include <QWidget>

namespace pelnix {

// What the viewers of downloaded media share: done stops whatever the viewer plays, lets go of what it
// holds and removes it from the screen, in one call.
class PLDownloadViewer : public QWidget {
    Q_OBJECT
public:
    explicit PLDownloadViewer(QWidget* parent = nullptr);

    void setDownloadViewerDelegate(PLDownloadedViewerDelegate* delegate) { m_delegate.set(delegate); }
    PLDownloadedViewerDelegate* downloadViewerDelegate() const { return m_delegate.get(); }
    virtual void doneButtonPressed();

protected:
    void tellTap();
    // Places the viewer's parts in its own size and direction; called again when the direction turns.
    virtual void layOut() {}
    bool event(QEvent* event) override;

private:
    platform::ui::WeakDelegate<PLDownloadedViewerDelegate> m_delegate;
};

} // namespace pelnix
