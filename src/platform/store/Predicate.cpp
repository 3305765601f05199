#include "platform/store/Predicate.h"

#include "platform/store/EntityDescription.h"
#include "platform/store/SqlQueryBuilder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QStringBuilder>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace pelnix::platform {

struct Predicate::Node {
    enum class Kind { Compare, In, And, Or, Not, False };
    Kind kind = Kind::Compare;
    QString keyPath;
    Op op = Op::Equal;
    QVariant value;           // null: no value / no object
    bool objectValue = false; // value is a primary key (object equality)
    QVariantList list;
    std::shared_ptr<const Node> left, right;
};

namespace {

using Node = Predicate::Node;

// -1, 0 or 1 for two non-null values of one attribute.
int compareValues(const QVariant& a, const QVariant& b) {
    const auto ta = a.typeId(), tb = b.typeId();
    if (ta == QMetaType::QString || tb == QMetaType::QString) {
        const int c = a.toString().compare(b.toString());
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    if (ta == QMetaType::QByteArray || tb == QMetaType::QByteArray) {
        const int c = a.toByteArray().compare(b.toByteArray());
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    if (ta == QMetaType::Double || tb == QMetaType::Double) {
        const double x = a.toDouble(), y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    const qlonglong x = a.toLongLong(), y = b.toLongLong();
    return x < y ? -1 : (x > y ? 1 : 0);
}

bool applyOp(Predicate::Op op, const QVariant& lhs, const QVariant& rhs) {
    const bool ln = lhs.isNull(), rn = rhs.isNull();
    if (op == Predicate::Op::Equal || op == Predicate::Op::NotEqual) {
        const bool equal = (ln || rn) ? (ln && rn) : compareValues(lhs, rhs) == 0;
        return op == Predicate::Op::Equal ? equal : !equal;
    }
    if (ln || rn)
        return false;
    const int c = compareValues(lhs, rhs);
    switch (op) {
    case Predicate::Op::Less:
        return c < 0;
    case Predicate::Op::LessOrEqual:
        return c <= 0;
    case Predicate::Op::Greater:
        return c > 0;
    case Predicate::Op::GreaterOrEqual:
        return c >= 0;
    default:
        return false;
    }
}

QVariant coerced(const ResolvedKeyPath& path, const QVariant& value, bool objectValue) {
    if (value.isNull() || !value.isValid())
        return {};
    if (objectValue || path.relationship)
        return QVariant(value.toLongLong());
    return path.attribute->coerce(value);
}

// The terminal value of a key path on an object: null when a hop has no object.
QVariant terminalValue(const ManagedObject& object, const ResolvedKeyPath& path) {
    ObjectPtr holder;
    const ManagedObject* current = &object;
    for (const auto* hop : path.hops) {
        holder = current->object(hop->name);
        if (!holder)
            return {};
        current = holder.get();
    }
    if (path.relationship) {
        const qint64 fk = current->foreignKey(path.relationship->name);
        return fk ? QVariant(qlonglong(fk)) : QVariant();
    }
    return current->value(path.attribute->name);
}

bool evaluateNode(const Node& n, const ManagedObject& object) {
    switch (n.kind) {
    case Node::Kind::And:
        return evaluateNode(*n.left, object) && evaluateNode(*n.right, object);
    case Node::Kind::Or:
        return evaluateNode(*n.left, object) || evaluateNode(*n.right, object);
    case Node::Kind::Not:
        return !evaluateNode(*n.left, object);
    case Node::Kind::False:
        return false;
    case Node::Kind::Compare:
    case Node::Kind::In:
        break;
    }
    if (!object.entity())
        return false;
    const ResolvedKeyPath path = SqlQueryBuilder::resolve(*object.entity(), n.keyPath);
    if (!path.isValid())
        return false;
    const QVariant lhs = terminalValue(object, path);
    if (n.kind == Node::Kind::In) {
        if (lhs.isNull())
            return false;
        for (const QVariant& v : n.list) {
            const QVariant c = coerced(path, v, false);
            if (!c.isNull() && compareValues(lhs, c) == 0)
                return true;
        }
        return false;
    }
    return applyOp(n.op, lhs, coerced(path, n.value, n.objectValue));
}

// Lists up to this length are bound value by value.
constexpr qsizetype kMaxInlineValues = 16;

// `text` as a JSON string. Characters past ASCII stay as they are (JSON text is UTF-8).
void appendJsonString(QByteArray& out, const QString& text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    const QByteArray utf8 = text.toUtf8();
    // Identifiers, the usual values, need no escape: one append instead of one per byte.
    if (std::none_of(utf8.cbegin(), utf8.cend(),
                     [](char c) { return c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20; })) {
        out += utf8;
        out += '"';
        return;
    }
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            out += "\\u00";
            out += kHex[u >> 4];
            out += kHex[u & 0xf];
        } else {
            out += c;
        }
    }
    out += '"';
}

// `v` as an element of a JSON array that json_each() gives back as the same SQL value; false when
// it has no such form (bytes, a non-finite number, text holding NUL).
bool appendJsonValue(QByteArray& out, const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::QString: {
        const QString& text = *static_cast<const QString*>(v.constData());
        // Plain ASCII, as identifiers are: written as it is, without a UTF-8 copy.
        const bool plain = std::all_of(text.cbegin(), text.cend(), [](QChar c) {
            return c.unicode() >= 0x20 && c.unicode() < 0x80 && c != QLatin1Char('"') &&
                   c != QLatin1Char('\\');
        });
        if (plain) {
            const qsizetype at = out.size();
            out.resize(at + text.size() + 2);
            char* to = out.data() + at;
            *to++ = '"';
            for (const QChar c : text)
                *to++ = char(c.unicode());
            *to = '"';
            return true;
        }
        if (text.contains(QChar(0)))
            return false;
        appendJsonString(out, text);
        return true;
    }
    case QMetaType::Double: {
        if (!std::isfinite(v.toDouble()))
            return false;
        // The document's own form of a number, which json_each() reads back as a real.
        QByteArray number = QJsonDocument(QJsonArray{v.toDouble()}).toJson(QJsonDocument::Compact);
        out += number.mid(1, number.size() - 2);
        return true;
    }
    case QMetaType::QByteArray:
        return false;
    default: // integers and booleans, bound as integers
        out += QByteArray::number(qint64(v.toLongLong()));
        return true;
    }
}

// Whether some value comes twice; values of one attribute (all text or all integers) are compared,
// texts by hash (sorting them costs a comparison of whole strings per step), anything else is taken
// to repeat.
bool mayRepeat(const QVariantList& values) {
    const auto repeats = [](auto& sorted) {
        std::sort(sorted.begin(), sorted.end());
        return std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end();
    };
    const int type = values.isEmpty() ? QMetaType::UnknownType : values.first().typeId();
    if (type == QMetaType::QString) {
        QSet<QStringView> texts;
        texts.reserve(values.size());
        for (const QVariant& v : values) {
            if (v.typeId() != type)
                return true;
            const qsizetype before = texts.size();
            texts.insert(*static_cast<const QString*>(v.constData()));
            if (texts.size() == before)
                return true;
        }
        return false;
    }
    if (type == QMetaType::LongLong) {
        std::vector<qlonglong> numbers;
        numbers.reserve(size_t(values.size()));
        for (const QVariant& v : values) {
            if (v.typeId() != type)
                return true;
            numbers.push_back(v.toLongLong());
        }
        return repeats(numbers);
    }
    return true;
}

// The values as a JSON array (`distinct`: each value once); empty when one of them has no JSON
// form. Written by hand: the list is built for every run of rows a list reads, and the document
// classes cost more than the query.
QString jsonArray(const QVariantList& values, bool distinct) {
    distinct = distinct && mayRepeat(values);
    QByteArray out;
    out.reserve(values.size() * 16 + 2);
    out += '[';
    QSet<QByteArray> seen;
    for (const QVariant& v : values) {
        if (!distinct) {
            if (out.size() > 1)
                out += ',';
            if (!appendJsonValue(out, v))
                return {};
            continue;
        }
        QByteArray element;
        if (!appendJsonValue(element, v))
            return {};
        if (seen.contains(element))
            continue;
        seen.insert(element);
        if (out.size() > 1)
            out += ',';
        out += element;
    }
    out += ']';
    return QString::fromUtf8(out);
}

// Whether an index of the entity's table leads with the key path's column (every foreign key has one).
bool leadsAnIndex(const EntityDescription& entity, const ResolvedKeyPath& path) {
    if (!path.hops.isEmpty())
        return false;
    if (path.relationship)
        return true;
    return path.attribute->indexed ||
           std::any_of(entity.indexes().cbegin(), entity.indexes().cend(),
                       [&path](const QStringList& index) { return index.first() == path.attribute->name; });
}

// `conjunct`: every row of the result must match this node (it is the predicate or one of the terms
// of its top-level AND), so a list it compares with may be joined.
QString nodeSql(const Node& n, SqlQueryBuilder& b, QString* problem, bool conjunct) {
    switch (n.kind) {
    case Node::Kind::And:
    case Node::Kind::Or: {
        const bool terms = conjunct && n.kind == Node::Kind::And;
        const QString l = nodeSql(*n.left, b, problem, terms);
        const QString r = nodeSql(*n.right, b, problem, terms);
        if (l.isEmpty() || r.isEmpty())
            return {};
        return QLatin1Char('(') % l %
               (n.kind == Node::Kind::And ? QLatin1String(" AND ") : QLatin1String(" OR ")) % r %
               QLatin1Char(')');
    }
    case Node::Kind::Not: {
        const QString l = nodeSql(*n.left, b, problem, false);
        return l.isEmpty() ? QString() : QString(QLatin1String("(NOT ") % l % QLatin1Char(')'));
    }
    case Node::Kind::False:
        return QStringLiteral("0");
    case Node::Kind::Compare:
    case Node::Kind::In:
        break;
    }
    ResolvedKeyPath path;
    const QString col = b.column(n.keyPath, &path);
    if (col.isEmpty()) {
        if (problem)
            *problem = QStringLiteral("%1 has no key path %2").arg(b.entity().name(), n.keyPath);
        return {};
    }
    // Every comparison yields 0 or 1, never NULL, so NOT behaves as in memory.
    if (n.kind == Node::Kind::In) {
        QVariantList values;
        for (const QVariant& v : n.list)
            if (QVariant c = coerced(path, v, false); !c.isNull())
                values << std::move(c);
        if (values.isEmpty())
            return QStringLiteral("0");
        // A long list goes as one bound array: one statement whatever its length, and no bound on
        // the number of values. Where every row must match it and an index serves the column, it is
        // joined: SQLite would first copy an IN list into a temporary index.
        if (values.size() > kMaxInlineValues) {
            const bool join = conjunct && b.listJoinsAllowed() && leadsAnIndex(b.entity(), path);
            if (const QString json = jsonArray(values, join); !json.isEmpty()) {
                if (join)
                    return b.joinList(col, json);
                return QLatin1Char('(') % col % QLatin1String(" IS NOT NULL AND ") % col %
                       QLatin1String(" IN (SELECT value FROM json_each(") % b.bind(json) %
                       QLatin1String(")))");
            }
        }
        QStringList marks;
        for (const QVariant& v : std::as_const(values))
            marks << b.bind(v);
        return QLatin1Char('(') % col % QLatin1String(" IS NOT NULL AND ") % col % QLatin1String(" IN (") %
               marks.join(QLatin1Char(',')) % QLatin1String("))");
    }
    const QVariant value = coerced(path, n.value, n.objectValue);
    if (value.isNull()) {
        switch (n.op) {
        case Predicate::Op::Equal:
            return col % QLatin1String(" IS NULL");
        case Predicate::Op::NotEqual:
            return col % QLatin1String(" IS NOT NULL");
        default:
            return QStringLiteral("0");
        }
    }
    QLatin1String sqlOp;
    switch (n.op) {
    case Predicate::Op::Equal:
        return col % QLatin1String(" IS ") % b.bind(value);
    case Predicate::Op::NotEqual:
        return col % QLatin1String(" IS NOT ") % b.bind(value);
    case Predicate::Op::Less:
        sqlOp = QLatin1String(" < ");
        break;
    case Predicate::Op::LessOrEqual:
        sqlOp = QLatin1String(" <= ");
        break;
    case Predicate::Op::Greater:
        sqlOp = QLatin1String(" > ");
        break;
    case Predicate::Op::GreaterOrEqual:
        sqlOp = QLatin1String(" >= ");
        break;
    }
    return QLatin1Char('(') % col % QLatin1String(" IS NOT NULL AND ") % col % sqlOp % b.bind(value) %
           QLatin1Char(')');
}

QString nodeText(const Node& n) {
    static const char* ops[] = {"==", "!=", "<", "<=", ">", ">="};
    switch (n.kind) {
    case Node::Kind::And:
        return QStringLiteral("(%1 AND %2)").arg(nodeText(*n.left), nodeText(*n.right));
    case Node::Kind::Or:
        return QStringLiteral("(%1 OR %2)").arg(nodeText(*n.left), nodeText(*n.right));
    case Node::Kind::Not:
        return QStringLiteral("NOT %1").arg(nodeText(*n.left));
    case Node::Kind::False:
        return QStringLiteral("FALSEPREDICATE");
    case Node::Kind::In: {
        QStringList items;
        for (const auto& v : n.list)
            items << v.toString();
        return QStringLiteral("%1 IN {%2}").arg(n.keyPath, items.join(QStringLiteral(", ")));
    }
    case Node::Kind::Compare:
        break;
    }
    const QString v = n.value.isNull() ? QStringLiteral("nil")
                      : n.objectValue  ? QStringLiteral("<object %1>").arg(n.value.toLongLong())
                                       : n.value.toString();
    return QStringLiteral("%1 %2 %3").arg(n.keyPath, QLatin1String(ops[int(n.op)]), v);
}

} // namespace

Predicate Predicate::compare(const QString& keyPath, Op op, const QVariant& value) {
    auto n = std::make_shared<Node>();
    n->kind = Node::Kind::Compare;
    n->keyPath = keyPath;
    n->op = op;
    n->value = value;
    return Predicate(n);
}

Predicate Predicate::compareObject(const QString& keyPath, Op op, const ObjectPtr& object) {
    auto n = std::make_shared<Node>();
    n->kind = Node::Kind::Compare;
    n->keyPath = keyPath;
    n->op = op;
    n->objectValue = true;
    if (object)
        n->value = QVariant(qlonglong(object->primaryKey()));
    return Predicate(n);
}

Predicate Predicate::in(const QString& keyPath, const QVariantList& values) {
    auto n = std::make_shared<Node>();
    n->kind = Node::Kind::In;
    n->keyPath = keyPath;
    n->list = values;
    return Predicate(n);
}

Predicate Predicate::operator&&(const Predicate& other) const {
    if (isEmpty())
        return other;
    if (other.isEmpty())
        return *this;
    auto n = std::make_shared<Node>();
    n->kind = Node::Kind::And;
    n->left = m_node;
    n->right = other.m_node;
    return Predicate(n);
}

Predicate Predicate::operator||(const Predicate& other) const {
    if (isEmpty() || other.isEmpty())
        return {};
    auto n = std::make_shared<Node>();
    n->kind = Node::Kind::Or;
    n->left = m_node;
    n->right = other.m_node;
    return Predicate(n);
}

Predicate Predicate::operator!() const {
    auto n = std::make_shared<Node>();
    if (isEmpty()) {
        n->kind = Node::Kind::False;
        return Predicate(n);
    }
    n->kind = Node::Kind::Not;
    n->left = m_node;
    return Predicate(n);
}

bool Predicate::evaluate(const ManagedObject& object) const {
    return !m_node || evaluateNode(*m_node, object);
}

QString Predicate::toSql(SqlQueryBuilder& builder, QString* problem) const {
    return m_node ? nodeSql(*m_node, builder, problem, true) : QStringLiteral("1");
}

QString Predicate::description() const {
    return m_node ? nodeText(*m_node) : QStringLiteral("TRUEPREDICATE");
}

} // namespace pelnix::platform
