#pragma once

#include "platform/store/ManagedObject.h"

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <memory>

namespace pelnix::platform {

class SqlQueryBuilder;

// A fetch predicate: a small typed expression tree, compiled to SQL with bound values and also
// evaluated in memory (so a fetch can overlay the context's unsaved changes). Both follow
// Foundation's rules for missing values: nil == nil, nil != 1 is true, nil < 1 is false, and
// NOT (list contains nil) is true.
//
//   using K = PredicateKey;
//   Predicate p = K("state") == 0 && K("room.status") != 1;
//   Predicate q = K("room") == room && !Predicate::in("email", emails);
class Predicate {
public:
    enum class Op { Equal, NotEqual, Less, LessOrEqual, Greater, GreaterOrEqual };

    // The empty predicate matches everything.
    Predicate() = default;

    static Predicate compare(const QString& keyPath, Op op, const QVariant& value);
    // Object equality on a to-one relationship (a null object compares with "no object").
    static Predicate compareObject(const QString& keyPath, Op op, const ObjectPtr& object);
    static Predicate in(const QString& keyPath, const QVariantList& values);
    static Predicate truePredicate() { return {}; }

    Predicate operator&&(const Predicate& other) const;
    Predicate operator||(const Predicate& other) const;
    Predicate operator!() const;

    bool isEmpty() const { return !m_node; }
    bool evaluate(const ManagedObject& object) const;
    // The WHERE expression; empty with `problem` set when a key path does not resolve.
    QString toSql(SqlQueryBuilder& builder, QString* problem) const;
    QString description() const;

    struct Node;

private:
    explicit Predicate(std::shared_ptr<const Node> node) : m_node(std::move(node)) {}
    std::shared_ptr<const Node> m_node;
};

// Builds comparisons on a key path: PredicateKey("userID") >= 0.
class PredicateKey {
public:
    explicit PredicateKey(QString keyPath) : m_path(std::move(keyPath)) {}
    Predicate operator==(const QVariant& v) const {
        return Predicate::compare(m_path, Predicate::Op::Equal, v);
    }
    Predicate operator!=(const QVariant& v) const {
        return Predicate::compare(m_path, Predicate::Op::NotEqual, v);
    }
    Predicate operator<(const QVariant& v) const {
        return Predicate::compare(m_path, Predicate::Op::Less, v);
    }
    Predicate operator<=(const QVariant& v) const {
        return Predicate::compare(m_path, Predicate::Op::LessOrEqual, v);
    }
    Predicate operator>(const QVariant& v) const {
        return Predicate::compare(m_path, Predicate::Op::Greater, v);
    }
    Predicate operator>=(const QVariant& v) const {
        return Predicate::compare(m_path, Predicate::Op::GreaterOrEqual, v);
    }
    // Object equality; a template so that a literal 0 stays a number.
    template <class T> Predicate operator==(const std::shared_ptr<T>& o) const {
        return Predicate::compareObject(m_path, Predicate::Op::Equal, o);
    }
    template <class T> Predicate operator!=(const std::shared_ptr<T>& o) const {
        return Predicate::compareObject(m_path, Predicate::Op::NotEqual, o);
    }
    Predicate in(const QVariantList& values) const { return Predicate::in(m_path, values); }

private:
    QString m_path;
};

} // namespace pelnix::platform
