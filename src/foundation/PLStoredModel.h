#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <memory>
#include <optional>
#include <type_traits>

namespace pelnix {

inline constexpr char PLStoredModelSharedInstanceUpdatedNotification[] =
    "PLStoredModelSharedInstanceUpdatedNotification";

// Base of the small configuration and value objects that are filled from dictionaries and, for some,
// kept on disk. Properties are Qt properties of the subclasses; a property is saved unless it is
// declared `STORED false`.
//
// Every way of making an instance starts from the class's bundle defaults ("<Class>.plist" in the
// framework bundle) when that resource exists. The base cannot be instantiated (protected
// constructor); misuse at run time (saving a non-shared instance, a setter the class does not offer,
// a shared instance of the wrong class) is logged and answered with false or nullptr, never thrown.
//
// Saving writes an XML property list of the saved properties to "<Class>.plist" in Application Support.
class PLStoredModel : public QObject {
    Q_OBJECT
public:
    using Ptr = std::shared_ptr<PLStoredModel>;

    ~PLStoredModel() override;

    // ---- Class operations. T is the subclass; the templates keep the result typed.

    // The class's shared instance, loaded from its save file (or the bundle defaults) on first use.
    template <class T> static std::shared_ptr<T> sharedInstance() {
        return std::static_pointer_cast<T>(sharedInstanceOf(T::staticMetaObject, &create<T>));
    }
    // Builds a fresh shared instance from the save file (or the defaults) and installs it.
    template <class T> static std::shared_ptr<T> reloadSharedInstance() {
        return std::static_pointer_cast<T>(reloadSharedInstanceOf(T::staticMetaObject, &create<T>));
    }
    template <class T> static void setSharedInstance(std::shared_ptr<T> instance) {
        setSharedInstance(T::staticMetaObject, std::move(instance));
    }
    template <class T> static bool hasSharedInstance() { return hasSharedInstance(T::staticMetaObject); }

    // A new instance carrying the bundle defaults.
    template <class T> static std::shared_ptr<T> instance() {
        return std::static_pointer_cast<T>(create<T>());
    }
    // A new instance set from `object`; nullptr for an invalid value or one the class cannot take.
    template <class T> static std::shared_ptr<T> instanceWithObject(const QVariant& object) {
        return std::static_pointer_cast<T>(instanceWithObject(&create<T>, object));
    }
    // One instance per element, in order; elements the class cannot take are left out.
    template <class T> static QList<std::shared_ptr<T>> instancesWithArray(const QVariantList& array) {
        QList<std::shared_ptr<T>> out;
        for (const QVariant& element : array) {
            if (auto item = instanceWithObject<T>(element))
                out.append(std::move(item));
        }
        return out;
    }
    // A relative path is looked for in the bundle first, then in Application Support.
    template <class T> static std::shared_ptr<T> instanceWithContentsOfFile(const QString& path) {
        return std::static_pointer_cast<T>(instanceWithContentsOfFile(&create<T>, path));
    }

    // Runtime form of setSharedInstance<T>(): false (and a log line) when `instance` is not a `cls`.
    static bool setSharedInstance(const QMetaObject& cls, Ptr instance);
    static bool hasSharedInstance(const QMetaObject& cls);
    // Forgets every shared instance without posting anything: the next use loads from disk again,
    // as a new process would.
    static void dropSharedInstancesForTesting();

    // Property names of the class (most derived class first), and those that are saved.
    static QStringList allPropertyKeys(const QMetaObject& cls);
    static QStringList codablePropertyKeys(const QMetaObject& cls);
    static QString newUniqueIdentifier();
    // The class name without namespace ("PelnixInfo").
    static QString className(const QMetaObject& cls);

    // Decodes file bytes: JSON when the first byte is '"', '[', 'n' or '{' and the text parses (a bare
    // JSON value is allowed), else a property list, else the bytes themselves. Empty data gives none.
    static std::optional<QVariant> decodeFileData(const QByteArray& data);

    // ---- Instance operations.

    QStringList allPropertyKeys() const { return allPropertyKeys(*metaObject()); }
    QStringList codablePropertyKeys() const { return codablePropertyKeys(*metaObject()); }

    // Chooses the setter by the value's type. False when the class offers none for it.
    bool setWithObject(const QVariant& object);
    // Sets every key that names a property; other keys are ignored. An invalid value stores the
    // property's empty value (0 for numbers).
    virtual bool setWithDictionary(const QVariantMap& dictionary);
    // The setters below are for subclasses built from other kinds of values; the base takes none.
    virtual bool setWithArray(const QVariantList& array);
    virtual bool setWithString(const QString& string);
    virtual bool setWithNumber(const QVariant& number);
    virtual bool setWithData(const QByteArray& data);

    // Every property with a value.
    QVariantMap dictionaryRepresentation() const;
    // Saved properties with a value, in property-list form (dates, data and numbers as they are).
    QVariantMap SM_propertyListRepresentation() const;
    // Saved properties with a value, in JSON form: data as Base64, dates as UTC text with 'Z'.
    QVariantMap SM_JSONRepresentation() const;
    // "<Class: 0x…; key = value; …>" with long strings shortened.
    QString debugDescription() const;

    // "<Class>.plist" in the bundle and in Application Support. Subclasses may name other files; an
    // absolute path is used as it stands.
    virtual QString resourceFile() const;
    virtual QString saveFile() const;
    QString SM_resourceFilePath() const { return SM_resourceFilePath(resourceFile()); }
    QString SM_saveFilePath() const { return SM_saveFilePath(saveFile()); }
    static QString SM_resourceFilePath(const QString& path);
    // Creates Application Support when missing.
    static QString SM_saveFilePath(const QString& path);

    // Only the shared instance of its class saves; any other instance logs and answers false. The
    // file is durable when this answers true.
    bool save();
    bool writeToFile(const QString& path) const;

protected:
    PLStoredModel() = default;
    // Subclass defaults that are not in the bundle resource. Runs once, before the resource values.
    virtual void setUp() {}

private:
    using Factory = Ptr (*)();

    template <class T> static Ptr create() {
        static_assert(std::is_base_of_v<PLStoredModel, T>, "T must derive from PLStoredModel");
        auto object = std::make_shared<T>();
        prepare(*object);
        return object;
    }
    static void prepare(PLStoredModel& object);
    static Ptr sharedInstanceOf(const QMetaObject& cls, Factory factory);
    static Ptr reloadSharedInstanceOf(const QMetaObject& cls, Factory factory);
    static Ptr instanceWithObject(Factory factory, const QVariant& object);
    static Ptr instanceWithContentsOfFile(Factory factory, const QString& path);
    static Ptr instanceFromDecoded(Factory factory, const QVariant& decoded);
};

// Convenience for subclasses: `class PelnixInfo : public PLStoredModelOf<PelnixInfo>` gives
// `PelnixInfo::sharedInstance()` and its kin typed to the subclass.
template <class Derived> class PLStoredModelOf : public PLStoredModel {
public:
    static std::shared_ptr<Derived> sharedInstance() { return PLStoredModel::sharedInstance<Derived>(); }
    static std::shared_ptr<Derived> reloadSharedInstance() {
        return PLStoredModel::reloadSharedInstance<Derived>();
    }
    static void setSharedInstance(std::shared_ptr<Derived> instance) {
        PLStoredModel::setSharedInstance<Derived>(std::move(instance));
    }
    static bool hasSharedInstance() { return PLStoredModel::hasSharedInstance<Derived>(); }
    static std::shared_ptr<Derived> instance() { return PLStoredModel::instance<Derived>(); }
    static std::shared_ptr<Derived> instanceWithObject(const QVariant& object) {
        return PLStoredModel::instanceWithObject<Derived>(object);
    }
    static QList<std::shared_ptr<Derived>> instancesWithArray(const QVariantList& array) {
        return PLStoredModel::instancesWithArray<Derived>(array);
    }
    static std::shared_ptr<Derived> instanceWithContentsOfFile(const QString& path) {
        return PLStoredModel::instanceWithContentsOfFile<Derived>(path);
    }

protected:
    PLStoredModelOf() = default;
};

} // namespace pelnix

Q_DECLARE_METATYPE(pelnix::PLStoredModel::Ptr)
