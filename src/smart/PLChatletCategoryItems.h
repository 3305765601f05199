#pragma once

#include <QString>
#include <QVariantMap>

#include <functional>

namespace pelnix {

// The chatlet catalogue: categories of chatlets the user can start, downloaded from the service
// and cached per catalogue version in the private data folder as "chatlet_<version>.plist" (a
// dictionary of category name to the list of its chatlets). Reply shape: docs/smart-messages.md.
// The picker's use counts live beside it in "PLMostUsedChatlet.plist" (chatlet name to count).
class PLChatletCategoryItems {
public:
    // GET of the configuration's `chaletsURL` with "version" = the configured `chatletVersion`. A
    // reply without "error" replaces the cached catalogue of that version. `completion` (may be
    // empty) runs on the main thread with whether the catalogue was replaced.
    static void updateChaletsWithCompletionHandler(std::function<void(bool success)> completion = {});

    // The cached catalogue of the configured version (empty when there is none).
    static QVariantMap cachedCatalogue();
    // The sum of the lengths of all lists in the cached catalogue (0 when there is none).
    static qint64 totalChatletsCount();

    static QString catalogueFilePath(quint64 version);
    static QString mostUsedFilePath();
    // Chatlet name to the number of times it was picked.
    static QVariantMap mostUsedChatlets();
    static bool recordUseOfChatlet(const QString& name);
};

} // namespace pelnix
