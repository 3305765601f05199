#pragma once

#include "platform/PLError.h"
#include "platform/store/ChangeSet.h"
#include "platform/store/FetchRequest.h"
#include "platform/store/ManagedObject.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <memory>
#include <optional>

namespace pelnix::platform {

class FetchedResultsController;

// A position in a controller's results.
struct IndexPath {
    int section = 0;
    int row = 0;
    bool operator==(const IndexPath&) const = default;
};

// Hears how a controller's results changed after a save of its context or a merge into it.
// Within one change, deletes carry the old positions, inserts the new ones, moves both and
// updates both (an updated object that also moved is reported as a move only).
class FetchedResultsControllerDelegate : public QObject {
public:
    enum class ChangeType { Insert = 1, Delete = 2, Move = 3, Update = 4 };

    using QObject::QObject;
    virtual void controllerWillChangeContent(FetchedResultsController&) {}
    virtual void didChangeSection(FetchedResultsController&, const QString& /*name*/, int /*index*/,
                                  ChangeType) {}
    virtual void didChangeObject(FetchedResultsController&, const ObjectPtr&,
                                 std::optional<IndexPath> /*from*/, ChangeType,
                                 std::optional<IndexPath> /*to*/) {}
    virtual void controllerDidChangeContent(FetchedResultsController&) {}
};

// The results of one fetch request over a context, in sections by a key path, kept current: it
// fetches when asked (performFetch) and then again after each save of the context and each merge
// into it, telling its delegate what changed. Sections are runs of equal values of the section key
// path in the request's order, so the request should sort by that key path first. Used on the
// context's thread.
class FetchedResultsController {
public:
    struct Section {
        QString name;
        QList<ObjectPtr> objects;
    };

    FetchedResultsController(FetchRequest request, std::shared_ptr<ObjectContext> context,
                             QString sectionNameKeyPath = {}, QString cacheName = {});
    ~FetchedResultsController();
    FetchedResultsController(const FetchedResultsController&) = delete;
    FetchedResultsController& operator=(const FetchedResultsController&) = delete;

    const FetchRequest& fetchRequest() const { return m_request; }
    std::shared_ptr<ObjectContext> managedObjectContext() const { return m_context.lock(); }
    const QString& sectionNameKeyPath() const { return m_sectionKeyPath; }
    // Kept for callers that name one; results are not cached on disk.
    const QString& cacheName() const { return m_cacheName; }
    FetchedResultsControllerDelegate* delegate() const { return m_delegate; }
    void setDelegate(FetchedResultsControllerDelegate* delegate) { m_delegate = delegate; }

    // Fetches and starts following the context; false (error set and reported to the store's
    // sink) when the fetch fails, the results then being empty.
    bool performFetch(PLOptionalError* error = nullptr);
    bool hasFetched() const { return m_fetched; }
    const QList<ObjectPtr>& fetchedObjects() const { return m_objects; }
    const QList<Section>& sections() const { return m_sections; }
    ObjectPtr objectAtIndexPath(const IndexPath& path) const;
    std::optional<IndexPath> indexPathForObject(const ObjectPtr& object) const;

private:
    struct Snapshot {
        QList<ObjectPtr> objects;
        QList<Section> sections;
        QList<IndexPath> paths; // per object, in order
    };

    Snapshot snapshot(QList<ObjectPtr> objects) const;
    void contextDidChange(const ChangeSet* changes);
    void refresh();
    void report(const Snapshot& before, const Snapshot& after);

    FetchRequest m_request;
    std::weak_ptr<ObjectContext> m_context;
    QString m_sectionKeyPath;
    QString m_cacheName;
    QPointer<FetchedResultsControllerDelegate> m_delegate;
    quint64 m_observer = 0;
    bool m_fetched = false;
    QList<ObjectPtr> m_objects;
    QList<Section> m_sections;
    QList<IndexPath> m_paths;
    // Rows saved or merged since the last refresh; everything when m_touchedAll.
    QSet<qint64> m_touched;
    bool m_touchedAll = false;
    bool m_refreshing = false;
    bool m_again = false;
};

} // namespace pelnix::platform
