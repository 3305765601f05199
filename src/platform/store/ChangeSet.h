#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>
#include <memory>

namespace pelnix::platform {

class EntityDescription;

// What one save wrote: every other context merges it on its own thread.
struct ChangeSet {
    struct Update {
        const EntityDescription* entity = nullptr;
        qint64 primaryKey = 0;
        QList<QPair<int, QVariant>> values; // changed slots and their saved values
    };
    struct Row {
        const EntityDescription* entity = nullptr;
        qint64 primaryKey = 0;
    };
    const void* origin = nullptr; // the saving context
    QList<Row> inserted;
    QList<Update> updated;
    QList<Row> deleted;

    bool isEmpty() const { return inserted.isEmpty() && updated.isEmpty() && deleted.isEmpty(); }
};

using ChangeSetPtr = std::shared_ptr<const ChangeSet>;

} // namespace pelnix::platform
