#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QWidget;

namespace pelnix::platform::ui {

// The keys of a container whose view the host moves or hides while they are in it (into a dock, a
// splitter, a tab or a window of its own, or a dock floated): Qt takes them away as the view leaves,
// to the host's next widget or to nowhere. They go back to the widget that had them (else to the page
// on top) when the view shows again, unless the user has put them somewhere else meanwhile. An open
// alert looks after its own keys the same way. A container shown in a window where nothing has the
// keys takes them on its page.
class ContainerKeys : public QObject {
    Q_OBJECT
public:
    // Follows `view`, a controller's own view (it acts only while that is a container's root).
    static void watch(QWidget* view);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
    void leaving(QWidget* view);
    void arrived(QWidget* view);
    void focusChanged(QWidget* now);
    static QWidget* pageKeysWidget(QWidget* view);

    struct Away {
        QPointer<QWidget> view;
        QPointer<QWidget> had;
        QPointer<QWidget> wentTo;
        bool settling = true;
    };
    QList<Away> m_away;
    QMetaObject::Connection m_focusWatch;
};

} // namespace pelnix::platform::ui
