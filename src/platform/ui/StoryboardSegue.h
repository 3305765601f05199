#pragma once

#include "ViewController.h"

#include <QPointer>
#include <QString>

namespace pelnix::platform::ui {

class ViewController;

// A segue about to run: its identifier, kind, and the controllers at both ends. The source prepares
// the destination in prepareForSegue() before it is shown.
class StoryboardSegue {
public:
    enum class Kind { Push, Modal, Unwind };

    StoryboardSegue(const QString& identifier, Kind kind, ViewController* source, ViewController* destination)
        : m_identifier(identifier), m_kind(kind), m_source(source), m_destination(destination) {}

    QString identifier() const { return m_identifier; }
    Kind kind() const { return m_kind; }
    ViewController* sourceViewController() const { return m_source; }
    ViewController* destinationViewController() const { return m_destination; }

private:
    QString m_identifier;
    Kind m_kind;
    QPointer<ViewController> m_source;
    QPointer<ViewController> m_destination;
};

} // namespace pelnix::platform::ui
