#include "smart/PLChatletCategoryItems.h"

#include "core/api/PLAppConfigurations.h"
#include "foundation/StandardFolders.h"
#include "platform/MainThread.h"
#include "platform/PlistCodec.h"
#include "smart/SmartDownload.h"
#include "smart/SmartDownloadReply.h"
#include "smart/SmartLog.h"

#include <QJsonObject>
#include <QUrlQuery>

namespace pelnix {

namespace {
constexpr char kMostUsedFileName[] = "PLMostUsedChatlet.plist";
} // namespace

QString PLChatletCategoryItems::catalogueFilePath(quint64 version) {
    return StandardFolders::pathForPrivateFile(QStringLiteral("chatlet_%1.plist").arg(version));
}

QString PLChatletCategoryItems::mostUsedFilePath() {
    return StandardFolders::pathForPrivateFile(QString::fromLatin1(kMostUsedFileName));
}

void PLChatletCategoryItems::updateChaletsWithCompletionHandler(std::function<void(bool)> completion) {
    const quint64 version = PLAppConfigurations::currentConfiguration()->chatletVersion();
    QUrl url(PLAppConfigurations::currentConfiguration()->chaletsURL());
    QUrlQuery query(url);
    query.addQueryItem(QStringLiteral("version"), QString::number(version));
    url.setQuery(query);
    const bool started = SmartDownload::start(
        url.toString(), [version, completion](const QByteArray& data, const PLOptionalError& error) {
            const SmartDownloadReply reply = SmartDownloadReply::read(data, error, QStringLiteral("Failed"));
            bool replaced = false;
            if (reply.ok()) {
                const QVariantMap categories =
                    reply.object.value(QStringLiteral("categories")).toObject().toVariantMap();
                replaced = platform::PlistCodec::writeFile(catalogueFilePath(version), categories);
                if (!replaced)
                    qCWarning(lcSmart) << "chatlet catalogue could not be written";
            } else {
                qCWarning(lcSmart) << "chatlet catalogue not downloaded:" << reply.loggable();
            }
            if (completion)
                completion(replaced);
        });
    if (!started && completion)
        platform::runOnMain([completion] { completion(false); });
}

QVariantMap PLChatletCategoryItems::cachedCatalogue() {
    const quint64 version = PLAppConfigurations::currentConfiguration()->chatletVersion();
    return platform::PlistCodec::readFile(catalogueFilePath(version)).value_or(QVariant()).toMap();
}

qint64 PLChatletCategoryItems::totalChatletsCount() {
    qint64 total = 0;
    for (const QVariant& list : cachedCatalogue())
        total += list.toList().size();
    return total;
}

QVariantMap PLChatletCategoryItems::mostUsedChatlets() {
    return platform::PlistCodec::readFile(mostUsedFilePath()).value_or(QVariant()).toMap();
}

bool PLChatletCategoryItems::recordUseOfChatlet(const QString& name) {
    if (name.isEmpty())
        return false;
    QVariantMap counts = mostUsedChatlets();
    counts.insert(name, counts.value(name).toLongLong() + 1);
    return platform::PlistCodec::writeFile(mostUsedFilePath(), counts);
}

} // namespace pelnix
