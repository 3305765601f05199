#pragma once

#include <QObject>
#include <QPointer>

namespace pelnix::platform::ui {

// A delegate that is not owned. When the delegate is a QObject it is held by a QPointer, so one that
// has been destroyed reads as null and is never called; any other delegate must outlive its holder.
template <typename Interface> class WeakDelegate {
public:
    void set(Interface* delegate) {
        m_delegate = delegate;
        m_object = dynamic_cast<QObject*>(delegate);
        m_tracked = m_object;
    }
    Interface* get() const { return m_tracked && !m_object ? nullptr : m_delegate; }
    Interface* operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }

private:
    Interface* m_delegate = nullptr;
    QPointer<QObject> m_object;
    bool m_tracked = false;
};

} // namespace pelnix::platform::ui
