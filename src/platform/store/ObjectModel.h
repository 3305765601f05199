#pragma once

#include "platform/store/EntityDescription.h"

#include <QStringList>
#include <memory>
#include <vector>

namespace pelnix::platform {

// The entities of the object graph, declared in C++.
//
//   ObjectModel model;
//   model.entity<ChatRoom>("ChatRoom")
//       .attribute("roomId", AttributeType::String, {}, true)
//       .attribute("status", AttributeType::Int16, 0)
//       .toMany("members", "RoomMember", "room");
//   model.entity<RoomMember>("RoomMember").toOne("room", "ChatRoom", "members");
//   model.finish();   // resolves destinations and inverses; the model is read-only afterwards
//
// A to-one relationship keeps a foreign key on its own side; a to-many whose inverse is to-one is
// read through that key; two to-many sides make a join table. Every relationship nullifies on delete.
class ObjectModel {
public:
    template <class T> EntityDescription& entity(const QString& name) {
        return addEntity(name, [] { return std::make_shared<T>(); });
    }
    EntityDescription& addEntity(const QString& name, EntityDescription::Factory factory);

    // Checks and links the declarations. False (with `problem` set) when a destination or inverse
    // is missing or the two sides disagree.
    bool finish(QString* problem = nullptr);
    bool isFinished() const { return m_finished; }

    const EntityDescription* entityNamed(const QString& name) const;
    const std::vector<std::unique_ptr<EntityDescription>>& entities() const { return m_entities; }
    QStringList entityNames() const;
    // Join tables of the many-to-many relationships, one per pair.
    QList<const RelationshipDescription*> joinRelationships() const;

private:
    std::vector<std::unique_ptr<EntityDescription>> m_entities;
    bool m_finished = false;
};

} // namespace pelnix::platform
