#pragma once

#include <QCache>
#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QString>
#include <QThread>

namespace pelnix::platform::ui {

// The raster tiles of one tile server in the common z/x/y scheme (256 x 256 pictures of the
// spherical Mercator world, x to the east and y to the south from 0 at zoom z), fetched and decoded
// on a thread of its own and kept on disk below the sandbox's caches folder, so a map shown again
// asks the server for nothing. The template is an http or https URL holding "{z}", "{x}" and "{y}".
// One loader per template is shared by every map view of the process; it lives on the main thread
// and answers there.
class MapTileLoader : public QObject {
    Q_OBJECT
public:
    static constexpr int kTileSize = 256;
    static constexpr int kMaximumZoom = 19;
    // Decoded tiles kept in memory (256 KiB each).
    static constexpr int kMemoryTiles = 96;
    // A tile that failed is asked for again only after this long.
    static constexpr int kRetryAfterMs = 30000;
    static constexpr qint64 kMaximumTileBytes = 2 * 1024 * 1024;

    // The shared loader of `urlTemplate`, made on first use; null when the template is not usable.
    static MapTileLoader* forTemplate(const QString& urlTemplate);
    static bool isUsableTemplate(const QString& urlTemplate);
    // Ends every shared loader and forgets what they held in memory (the disk keeps its tiles).
    static void releaseAll();

    ~MapTileLoader() override;

    QString urlTemplate() const { return m_template; }
    // The folder of this server's tiles: <caches>/MapTiles/<digest of the template>.
    QString cacheFolder() const { return m_folder; }
    // The tile when it is in memory. Otherwise a null image, and the tile is asked for unless it is on
    // its way or failed a moment ago; tileLoaded or tileFailed tells when it came.
    QImage tile(int z, int x, int y);
    bool isPending(int z, int x, int y) const;
    // Whether the tile is in memory (asks for nothing).
    bool hasTile(int z, int x, int y) const { return m_memory.contains(key(z, x, y)); }
    // How many tiles came from the server, and from the disk, since the loader was made.
    int networkFetches() const { return m_networkFetches; }
    int diskReads() const { return m_diskReads; }

signals:
    void tileLoaded(int z, int x, int y);
    void tileFailed(int z, int x, int y);

private:
    explicit MapTileLoader(const QString& urlTemplate);
    static QString key(int z, int x, int y);
    void finish(int z, int x, int y, const QImage& image, bool fromNetwork);

    QString m_template;
    QString m_folder;
    QThread m_thread;
    QObject* m_worker = nullptr; // lives on m_thread
    QCache<QString, QImage> m_memory{kMemoryTiles};
    QSet<QString> m_pending;
    QHash<QString, qint64> m_failedAt;
    QElapsedTimer m_clock;
    int m_networkFetches = 0;
    int m_diskReads = 0;
};

} // namespace pelnix::platform::ui
