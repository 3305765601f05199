#include "foundation/PLStoredModel.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/PlistCodec.h"
#include "platform/Sandbox.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMetaProperty>
#include <QMutex>
#include <QRecursiveMutex>
#include <QThread>
#include <QTimeZone>
#include <QUuid>

namespace pelnix {

namespace {

// One entry per class: its lock (held while its shared instance is made, so it is made once) and the
// shared instance itself.
struct ClassEntry {
    QRecursiveMutex lock;
    PLStoredModel::Ptr shared;
};

QMutex g_registryMutex;
QHash<const QMetaObject*, ClassEntry*> g_registry; // entries live for the process

ClassEntry& entryFor(const QMetaObject& cls) {
    QMutexLocker lock(&g_registryMutex);
    ClassEntry*& entry = g_registry[&cls];
    if (!entry)
        entry = new ClassEntry;
    return *entry;
}

// Bundle resources are decoded once per process.
QMutex g_resourceMutex;
QHash<QString, QVariant> g_resourceCache;

std::optional<QVariant> decodeFile(const QString& path) {
    const bool inBundle = path.startsWith(PLCurrentBundleInfo::bundlePath() + QLatin1Char('/'));
    if (inBundle) {
        QMutexLocker lock(&g_resourceMutex);
        auto it = g_resourceCache.constFind(path);
        if (it != g_resourceCache.constEnd())
            return *it;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt; // tried again on the next call
    auto decoded = PLStoredModel::decodeFileData(file.readAll());
    if (decoded && inBundle) {
        QMutexLocker lock(&g_resourceMutex);
        g_resourceCache.insert(path, *decoded);
    }
    return decoded;
}

bool isNil(const QVariant& v) {
    if (!v.isValid())
        return true;
    switch (v.typeId()) {
    case QMetaType::Nullptr:
        return true;
    case QMetaType::QString:
        return v.toString().isNull();
    case QMetaType::QByteArray:
        return v.toByteArray().isNull();
    case QMetaType::QDateTime:
        return !v.toDateTime().isValid();
    default:
        return false;
    }
}

bool isNumber(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

enum class Form { PropertyList, Json };

// The property-list or JSON form of a value; none when it has no such form.
std::optional<QVariant> represent(const QVariant& v, Form form) {
    if (isNil(v))
        return std::nullopt;
    switch (v.typeId()) {
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash: {
        QVariantMap out;
        const QVariantMap in = v.toMap();
        for (auto it = in.cbegin(); it != in.cend(); ++it) {
            if (auto item = represent(it.value(), form))
                out.insert(it.key(), *item);
        }
        return out;
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        QVariantList out;
        for (const QVariant& element : v.toList()) {
            if (auto item = represent(element, form))
                out.append(*item);
        }
        return out;
    }
    case QMetaType::QString:
        return v;
    case QMetaType::QByteArray:
        if (form == Form::Json)
            return QString::fromLatin1(v.toByteArray().toBase64());
        return v;
    case QMetaType::QDateTime:
        if (form == Form::Json) {
            // UTC, so that the literal 'Z' tells the truth.
            return v.toDateTime().toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz'Z'"));
        }
        return v.toDateTime().toUTC();
    default:
        if (isNumber(v))
            return v;
        if (v.canConvert<QString>())
            return v.toString();
        return std::nullopt;
    }
}

QString shortDescription(const QVariant& v) {
    if (v.typeId() == QMetaType::QString) {
        QString text = v.toString();
        if (text.size() >= 17)
            text = text.left(15) + QChar(0x2026);
        return QLatin1Char('"') + text + QLatin1Char('"');
    }
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    if (isNumber(v))
        return v.toString();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss +0000"));
    return QStringLiteral("<%1: %2>")
        .arg(QString::fromLatin1(v.typeName()), QString::asprintf("%p", v.constData()));
}

bool notImplemented(const PLStoredModel& model, const char* selector) {
    platform::Log::debug(QStringLiteral("%1 not implemented by %2")
                             .arg(QLatin1String(selector), PLStoredModel::className(*model.metaObject())));
    return false;
}

// The properties declared by `cls` and its superclasses below PLStoredModel, most derived first.
QList<QMetaProperty> declaredProperties(const QMetaObject& cls) {
    QList<QMetaProperty> out;
    for (const QMetaObject* mo = &cls; mo && mo != &PLStoredModel::staticMetaObject; mo = mo->superClass()) {
        for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i)
            out.append(mo->property(i));
    }
    return out;
}

} // namespace

PLStoredModel::~PLStoredModel() = default;

// ---- Class operations

void PLStoredModel::prepare(PLStoredModel& object) {
    // Instances may be made on any thread; they belong to the main thread like the rest of the model.
    if (auto* app = QCoreApplication::instance(); app && object.thread() != app->thread())
        object.moveToThread(app->thread());
    object.setUp();
    const QString resource = object.SM_resourceFilePath();
    if (resource.isEmpty() || !QFileInfo::exists(resource))
        return;
    if (auto decoded = decodeFile(resource))
        object.setWithObject(*decoded);
}

PLStoredModel::Ptr PLStoredModel::sharedInstanceOf(const QMetaObject& cls, Factory factory) {
    ClassEntry& entry = entryFor(cls);
    QMutexLocker lock(&entry.lock);
    if (entry.shared)
        return entry.shared;
    return reloadSharedInstanceOf(cls, factory);
}

PLStoredModel::Ptr PLStoredModel::reloadSharedInstanceOf(const QMetaObject& cls, Factory factory) {
    ClassEntry& entry = entryFor(cls);
    Ptr fresh;
    {
        QMutexLocker lock(&entry.lock);
        Ptr candidate = factory();
        const QString path = candidate->SM_saveFilePath();
        if (QFileInfo::exists(path)) {
            if (auto decoded = decodeFile(path); decoded && candidate->setWithObject(*decoded))
                fresh = candidate;
        }
        if (!fresh)
            fresh = factory();
        setSharedInstance(cls, fresh);
    }
    return fresh;
}

bool PLStoredModel::setSharedInstance(const QMetaObject& cls, Ptr instance) {
    if (instance && !instance->metaObject()->inherits(&cls)) {
        platform::Log::debug(QStringLiteral("setSharedInstance: instance class does not match"));
        return false;
    }
    ClassEntry& entry = entryFor(cls);
    Ptr previous;
    {
        QMutexLocker lock(&entry.lock);
        previous = std::exchange(entry.shared, std::move(instance));
    }
    if (previous) {
        // Delivered at once on the main thread, queued to it from anywhere else.
        platform::NotificationCenter::defaultCenter()->post(
            QString::fromLatin1(PLStoredModelSharedInstanceUpdatedNotification),
            QVariant::fromValue(previous));
    }
    return true;
}

bool PLStoredModel::hasSharedInstance(const QMetaObject& cls) {
    ClassEntry& entry = entryFor(cls);
    QMutexLocker lock(&entry.lock);
    return entry.shared != nullptr;
}

void PLStoredModel::dropSharedInstancesForTesting() {
    QList<ClassEntry*> entries;
    {
        QMutexLocker lock(&g_registryMutex);
        entries = g_registry.values();
    }
    for (ClassEntry* entry : entries) {
        QMutexLocker lock(&entry->lock);
        entry->shared.reset();
    }
}

PLStoredModel::Ptr PLStoredModel::instanceWithObject(Factory factory, const QVariant& object) {
    if (isNil(object))
        return nullptr;
    return instanceFromDecoded(factory, object);
}

PLStoredModel::Ptr PLStoredModel::instanceWithContentsOfFile(Factory factory, const QString& path) {
    QString chosen = path;
    if (QDir::isRelativePath(path)) {
        chosen = SM_resourceFilePath(path);
        if (!QFileInfo::exists(chosen))
            chosen = SM_saveFilePath(path);
    }
    if (!QFileInfo::exists(chosen))
        return nullptr;
    const auto decoded = decodeFile(chosen);
    if (!decoded)
        return nullptr;
    return instanceFromDecoded(factory, *decoded);
}

PLStoredModel::Ptr PLStoredModel::instanceFromDecoded(Factory factory, const QVariant& decoded) {
    Ptr object = factory();
    return object->setWithObject(decoded) ? object : nullptr;
}

QStringList PLStoredModel::allPropertyKeys(const QMetaObject& cls) {
    QStringList keys;
    for (const QMetaProperty& p : declaredProperties(cls))
        keys.append(QString::fromLatin1(p.name()));
    return keys;
}

QStringList PLStoredModel::codablePropertyKeys(const QMetaObject& cls) {
    QStringList keys;
    for (const QMetaProperty& p : declaredProperties(cls)) {
        if (p.isStored() && p.isWritable())
            keys.append(QString::fromLatin1(p.name()));
    }
    return keys;
}

QString PLStoredModel::newUniqueIdentifier() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QString PLStoredModel::className(const QMetaObject& cls) {
    const QString full = QString::fromLatin1(cls.className());
    const qsizetype colon = full.lastIndexOf(QLatin1String("::"));
    return colon < 0 ? full : full.mid(colon + 2);
}

std::optional<QVariant> PLStoredModel::decodeFileData(const QByteArray& data) {
    if (data.isEmpty())
        return std::nullopt;
    const char first = data.front();
    if (first == '"' || first == '[' || first == 'n' || first == '{') {
        // Wrapping in an array lets a bare JSON value (a string, null) parse too.
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson('[' + data + ']', &error);
        if (error.error == QJsonParseError::NoError && doc.isArray() && doc.array().size() == 1)
            return doc.array().first().toVariant();
    }
    if (auto plist = platform::PlistCodec::fromData(data))
        return plist;
    return QVariant(data);
}

QString PLStoredModel::SM_resourceFilePath(const QString& path) {
    if (path.isEmpty())
        return {};
    if (QDir::isAbsolutePath(path))
        return path;
    return PLCurrentBundleInfo::bundlePath() + QLatin1Char('/') + path;
}

QString PLStoredModel::SM_saveFilePath(const QString& path) {
    if (path.isEmpty())
        return {};
    if (QDir::isAbsolutePath(path))
        return path;
    const QString folder = platform::Sandbox::applicationSupport();
    QDir().mkpath(folder);
    return folder + QLatin1Char('/') + path;
}

// ---- Instance operations

bool PLStoredModel::setWithObject(const QVariant& object) {
    if (isNil(object))
        return false;
    switch (object.typeId()) {
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash:
        return setWithDictionary(object.toMap());
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return setWithArray(object.toList());
    case QMetaType::QString:
        return setWithString(object.toString());
    case QMetaType::QByteArray:
        return setWithData(object.toByteArray());
    default:
        if (isNumber(object))
            return setWithNumber(object);
        platform::Log::debug(QStringLiteral("setWith%1: not implemented by %2")
                                 .arg(QString::fromLatin1(object.typeName()), className(*metaObject())));
        return false;
    }
}

bool PLStoredModel::setWithDictionary(const QVariantMap& dictionary) {
    const QList<QMetaProperty> properties = declaredProperties(*metaObject());
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
        const QByteArray key = it.key().toLatin1();
        for (const QMetaProperty& p : properties) {
            if (key == p.name()) {
                // A value that cannot become the property's type leaves the property as it was.
                p.write(this, isNil(it.value()) ? QVariant() : it.value());
                break;
            }
        }
    }
    return true;
}

bool PLStoredModel::setWithArray(const QVariantList&) {
    return notImplemented(*this, "setWithArray:");
}

bool PLStoredModel::setWithString(const QString&) {
    return notImplemented(*this, "setWithString:");
}

bool PLStoredModel::setWithNumber(const QVariant&) {
    return notImplemented(*this, "setWithNumber:");
}

bool PLStoredModel::setWithData(const QByteArray&) {
    return notImplemented(*this, "setWithData:");
}

QVariantMap PLStoredModel::dictionaryRepresentation() const {
    QVariantMap out;
    for (const QMetaProperty& p : declaredProperties(*metaObject())) {
        const QVariant value = p.read(this);
        if (!isNil(value))
            out.insert(QString::fromLatin1(p.name()), value);
    }
    return out;
}

QVariantMap PLStoredModel::SM_propertyListRepresentation() const {
    QVariantMap out;
    for (const QString& key : codablePropertyKeys()) {
        if (auto value = represent(property(key.toLatin1().constData()), Form::PropertyList))
            out.insert(key, *value);
    }
    return out;
}

QVariantMap PLStoredModel::SM_JSONRepresentation() const {
    QVariantMap out;
    for (const QString& key : codablePropertyKeys()) {
        if (auto value = represent(property(key.toLatin1().constData()), Form::Json))
            out.insert(key, *value);
    }
    return out;
}

QString PLStoredModel::debugDescription() const {
    QString text = QStringLiteral("<%1: %2").arg(className(*metaObject()),
                                                 QString::asprintf("%p", static_cast<const void*>(this)));
    for (const QMetaProperty& p : declaredProperties(*metaObject())) {
        const QVariant value = p.read(this);
        if (!isNil(value))
            text += QStringLiteral("; %1 = %2").arg(QString::fromLatin1(p.name()), shortDescription(value));
    }
    return text + QLatin1Char('>');
}

QString PLStoredModel::resourceFile() const {
    return className(*metaObject()) + QStringLiteral(".plist");
}

QString PLStoredModel::saveFile() const {
    return className(*metaObject()) + QStringLiteral(".plist");
}

bool PLStoredModel::save() {
    bool isShared = false;
    {
        ClassEntry& entry = entryFor(*metaObject());
        QMutexLocker lock(&entry.lock);
        isShared = entry.shared.get() == this;
    }
    if (!isShared) {
        platform::Log::debug(QStringLiteral("Unable to save object, save method not implemented (%1 is not "
                                            "the shared instance)")
                                 .arg(className(*metaObject())));
        return false;
    }
    return writeToFile(SM_saveFilePath());
}

bool PLStoredModel::writeToFile(const QString& path) const {
    if (path.isEmpty())
        return false;
    const QString target = SM_saveFilePath(path);
    // Atomic and synced: the old file or the new one survives a crash, never a torn one.
    const bool written = platform::PlistCodec::writeFile(target, SM_propertyListRepresentation());
    if (!written)
        platform::Log::debug(QStringLiteral("Could not write %1").arg(QFileInfo(target).fileName()));
    return written;
}

} // namespace pelnix
