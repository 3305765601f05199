#pragma once

// Typed accessors of entity classes over the generic ones of ManagedObject. Each expands to a
// getter named after the stored key and the setter or adders the generated classes would have.
// Relationship accessors are templates on the destination class so that entity headers need only
// declare it; the type is checked where the accessor is used.

#include <QString>
#include <QVariant>
#include <memory>
#include <type_traits>

// The getter of a stored attribute. Its slot is looked up once per thread: lists read a few
// attributes of thousands of rows, and a name lookup per read cost more than the read.
#define PL_ATTRIBUTE_GETTER(Type, name)                                                                      \
    Type name() const {                                                                                      \
        static thread_local ::pelnix::platform::ManagedObject::SlotCache slot;                               \
        return converted<Type>(attributeValue(QStringLiteral(#name), slot));                                 \
    }

#define PL_ATTRIBUTE(Type, name, setter)                                                                     \
    PL_ATTRIBUTE_GETTER(Type, name)                                                                          \
    void setter(const Type& newValue) {                                                                      \
        setValue(QStringLiteral(#name), QVariant::fromValue(newValue));                                      \
    }

#define PL_TO_ONE(Type, name, setter)                                                                        \
    template <class D = Type> std::shared_ptr<D> name() const {                                              \
        return object<D>(QStringLiteral(#name));                                                             \
    }                                                                                                        \
    template <class D = Type> void setter(const std::shared_ptr<std::type_identity_t<D>>& target) {          \
        setObject(QStringLiteral(#name), target);                                                            \
    }

#define PL_TO_MANY(Type, name, adder, remover)                                                               \
    template <class D = Type> QList<std::shared_ptr<D>> name() const {                                       \
        return objects<D>(QStringLiteral(#name));                                                            \
    }                                                                                                        \
    template <class D = Type> void adder(const std::shared_ptr<std::type_identity_t<D>>& target) {           \
        addObject(QStringLiteral(#name), target);                                                            \
    }                                                                                                        \
    template <class D = Type> void remover(const std::shared_ptr<std::type_identity_t<D>>& target) {         \
        removeObject(QStringLiteral(#name), target);                                                         \
    }
