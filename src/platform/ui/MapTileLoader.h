#pragma once

#include <QCache>
#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QThread>

namespace pelnix::platform::ui {

// The raster tiles of one tile server in the common z/x/y scheme (256 x 256 pictures of the
// spherical Mercator world, x to the east and y to the south from 0 at zoom z), fetched and decoded
// on a thread of its own and kept on disk below the sandbox's caches folder, so a map shown again
// asks the server for nothing. The template is an http or https URL holding "{z}", "{x}" and "{y}".
// One loader per template is shared by every map view of the process; it lives on the main thread
// and answers there.
//
// The server is not trusted to send tiles: a body is held to kMaximumTileBytes as it arrives, a
// picture larger than a tile is scaled down to one and one far larger is refused before it is
// decoded, only raster formats are read, redirects stay on the server, and a tile that has not come
// kRequestDeadlineMs after it was asked for (on the screen layer's scheduler clock) has failed.
class MapTileLoader : public QObject {
    Q_OBJECT
public:
    static constexpr int kTileSize = 256;
    static constexpr int kMaximumZoom = 19;
    // Decoded tiles kept in memory: 128 tiles of 256 KiB, every tile of a 1920 x 1200 view at any zoom.
    static constexpr qint64 kMemoryBytes = 32 * 1024 * 1024;
    // A tile that failed is asked for again only after this long.
    static constexpr int kRetryAfterMs = 30000;
    static constexpr qint64 kMaximumTileBytes = 2 * 1024 * 1024;
    // What one tile server's tiles may spend on disk, blocks and folders counted (some thousands of
    // tiles); the least recently shown go first.
    static constexpr qint64 kMaximumDiskBytes = 64 * 1024 * 1024;
    // A tile not there this long after it was asked for has failed, however it trickles in.
    static constexpr int kRequestDeadlineMs = 20000;
    // The largest picture read as a tile (scaled down to kTileSize): a 4 MiB decode at most.
    static constexpr int kMaximumSourceSide = 1024;

    // The tile in `data`: a PNG, JPEG or WebP picture of at most kMaximumSourceSide on each side,
    // at most kTileSize on each side once read, in the premultiplied ARGB the map draws. Anything
    // else gives a null image, without decoding more than the picture's header.
    static QImage decodeTile(const QByteArray& data);

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
    // The tiles on their way.
    int pendingCount() const { return int(m_pending.size()); }
    // Whether the tile is in memory (asks for nothing).
    bool hasTile(int z, int x, int y) const { return m_memory.contains(key(z, x, y)); }
    // How many tiles came from the server, and from the disk, since the loader was made.
    int networkFetches() const { return m_networkFetches; }
    int diskReads() const { return m_diskReads; }
    // The bytes of the decoded tiles held in memory.
    qint64 memoryBytes() const { return m_memory.totalCost(); }

signals:
    void tileLoaded(int z, int x, int y);
    void tileFailed(int z, int x, int y);

private:
    explicit MapTileLoader(const QString& urlTemplate);
    struct Request {
        quint64 id = 0;
        quint64 deadline = 0; // the scheduler's perform
    };
    static QString key(int z, int x, int y);
    void finish(int z, int x, int y, quint64 id, const QImage& image, bool fromNetwork);
    void fail(const QString& name, int z, int x, int y);
    void abortOnWorker(quint64 id);

    QString m_template;
    QString m_folder;
    QThread m_thread;
    QObject* m_worker = nullptr; // lives on m_thread
    QCache<QString, QImage> m_memory{kMemoryBytes};
    QHash<QString, Request> m_pending;
    quint64 m_nextRequest = 0;
    // Requests past their deadline, ended on the worker together (see abortOnWorker).
    QList<quint64> m_abortsToSend;
    QHash<QString, qint64> m_failedAt;
    QElapsedTimer m_clock;
    int m_networkFetches = 0;
    int m_diskReads = 0;
};

} // namespace pelnix::platform::ui
