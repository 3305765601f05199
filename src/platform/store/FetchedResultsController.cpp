#include "platform/store/FetchedResultsController.h"

#include "platform/store/ObjectContext.h"

#include <QHash>
#include <QThread>
#include <algorithm>

namespace pelnix::platform {

namespace {
using ChangeType = FetchedResultsControllerDelegate::ChangeType;

// Positions (into `sequence`) of one longest strictly increasing subsequence.
QSet<int> longestIncreasingRun(const QList<int>& sequence) {
    QList<int> tails;                         // index of the smallest tail per length
    QList<int> previous(sequence.size(), -1); // predecessor of each element in its run
    for (int i = 0; i < sequence.size(); ++i) {
        const auto it = std::lower_bound(tails.begin(), tails.end(), sequence[i],
                                         [&](int index, int value) { return sequence[index] < value; });
        const int length = int(it - tails.begin());
        if (length > 0)
            previous[i] = tails[length - 1];
        if (it == tails.end())
            tails << i;
        else
            *it = i;
    }
    QSet<int> run;
    for (int i = tails.isEmpty() ? -1 : tails.last(); i >= 0; i = previous[i])
        run.insert(i);
    return run;
}
} // namespace

FetchedResultsController::FetchedResultsController(FetchRequest request,
                                                   std::shared_ptr<ObjectContext> context,
                                                   QString sectionNameKeyPath, QString cacheName)
    : m_request(std::move(request)), m_context(context), m_sectionKeyPath(std::move(sectionNameKeyPath)),
      m_cacheName(std::move(cacheName)) {}

FetchedResultsController::~FetchedResultsController() {
    if (auto context = m_context.lock(); context && m_observer)
        context->removeChangeObserver(m_observer);
}

bool FetchedResultsController::performFetch(PLOptionalError* error) {
    auto context = m_context.lock();
    if (!context) {
        if (error)
            *error =
                PLError(QStringLiteral("NSCocoaErrorDomain"), 134060, QStringLiteral("The context is gone."));
        return false;
    }
    Q_ASSERT_X(QThread::currentThread() == context->thread(), "FetchedResultsController",
               "used on its context's thread only");
    auto objects = context->executeFetchRequest(m_request, error);
    Snapshot now = snapshot(objects.value_or(QList<ObjectPtr>()));
    m_objects = std::move(now.objects);
    m_sections = std::move(now.sections);
    m_paths = std::move(now.paths);
    m_touched.clear();
    m_touchedAll = false;
    m_fetched = true;
    if (!m_observer)
        m_observer =
            context->addChangeObserver([this](const ChangeSet* changes) { contextDidChange(changes); });
    return objects.has_value();
}

ObjectPtr FetchedResultsController::objectAtIndexPath(const IndexPath& path) const {
    if (path.section < 0 || path.section >= m_sections.size())
        return nullptr;
    const auto& objects = m_sections[path.section].objects;
    return path.row >= 0 && path.row < objects.size() ? objects[path.row] : nullptr;
}

std::optional<IndexPath> FetchedResultsController::indexPathForObject(const ObjectPtr& object) const {
    const qsizetype i = object ? m_objects.indexOf(object) : -1;
    return i < 0 ? std::nullopt : std::optional(m_paths[i]);
}

FetchedResultsController::Snapshot FetchedResultsController::snapshot(QList<ObjectPtr> objects) const {
    Snapshot s;
    s.paths.reserve(objects.size());
    for (const auto& o : objects) {
        const QString name =
            m_sectionKeyPath.isEmpty() ? QString() : o->valueForKeyPath(m_sectionKeyPath).toString();
        if (s.sections.isEmpty() || (!m_sectionKeyPath.isEmpty() && s.sections.last().name != name))
            s.sections.append({name, {}});
        s.paths.append({int(s.sections.size() - 1), int(s.sections.last().objects.size())});
        s.sections.last().objects << o;
    }
    s.objects = std::move(objects);
    return s;
}

void FetchedResultsController::contextDidChange(const ChangeSet* changes) {
    if (!m_fetched)
        return;
    if (!changes)
        m_touchedAll = true;
    else
        for (const auto& u : changes->updated)
            m_touched.insert(u.primaryKey);
    // A fetch or a delegate may save or merge again: that runs as one more round, not nested.
    if (m_refreshing) {
        m_again = true;
        return;
    }
    m_refreshing = true;
    do {
        m_again = false;
        refresh();
    } while (m_again);
    m_refreshing = false;
}

void FetchedResultsController::refresh() {
    auto context = m_context.lock();
    if (!context)
        return;
    auto objects = context->executeFetchRequest(m_request);
    if (!objects)
        return; // reported to the store's sink; the results stay as they were
    Snapshot before{std::move(m_objects), std::move(m_sections), std::move(m_paths)};
    Snapshot after = snapshot(std::move(*objects));
    m_objects = after.objects;
    m_sections = after.sections;
    m_paths = after.paths;
    report(before, after);
    if (!m_again) {
        m_touched.clear();
        m_touchedAll = false;
    }
}

void FetchedResultsController::report(const Snapshot& before, const Snapshot& after) {
    struct Change {
        ObjectPtr object;
        std::optional<IndexPath> from, to;
        ChangeType type;
    };
    QHash<qint64, int> oldIndex, newIndex;
    for (int i = 0; i < before.objects.size(); ++i)
        oldIndex.insert(before.objects[i]->primaryKey(), i);
    for (int i = 0; i < after.objects.size(); ++i)
        newIndex.insert(after.objects[i]->primaryKey(), i);

    QList<Change> changes;
    for (int i = 0; i < before.objects.size(); ++i)
        if (!newIndex.contains(before.objects[i]->primaryKey()))
            changes.append({before.objects[i], before.paths[i], std::nullopt, ChangeType::Delete});
    // Objects in both: those off one longest run that kept its order moved; so did those whose
    // section changed. The others were updated when their row was saved or merged.
    QHash<qint64, int> oldRank;
    for (const auto& o : before.objects)
        if (newIndex.contains(o->primaryKey()))
            oldRank.insert(o->primaryKey(), int(oldRank.size()));
    QList<int> ranks;
    QList<int> survivors; // indexes into after.objects
    for (int i = 0; i < after.objects.size(); ++i) {
        if (auto it = oldRank.constFind(after.objects[i]->primaryKey()); it != oldRank.cend()) {
            ranks << *it;
            survivors << i;
        } else {
            changes.append({after.objects[i], std::nullopt, after.paths[i], ChangeType::Insert});
        }
    }
    const QSet<int> kept = longestIncreasingRun(ranks);
    for (int k = 0; k < survivors.size(); ++k) {
        const int n = survivors[k];
        const ObjectPtr& o = after.objects[n];
        const int old = oldIndex.value(o->primaryKey());
        const IndexPath from = before.paths[old], to = after.paths[n];
        const bool sectionChanged = before.sections[from.section].name != after.sections[to.section].name;
        if (!kept.contains(k) || sectionChanged)
            changes.append({o, from, to, ChangeType::Move});
        else if (m_touchedAll || m_touched.contains(o->primaryKey()))
            changes.append({o, from, to, ChangeType::Update});
    }

    QList<QPair<int, const Section*>> sectionsGone, sectionsNew;
    auto names = [](const QList<Section>& sections) {
        QSet<QString> out;
        for (const auto& s : sections)
            out.insert(s.name);
        return out;
    };
    const QSet<QString> oldNames = names(before.sections), newNames = names(after.sections);
    for (int i = 0; i < before.sections.size(); ++i)
        if (!newNames.contains(before.sections[i].name))
            sectionsGone.append({i, &before.sections[i]});
    for (int i = 0; i < after.sections.size(); ++i)
        if (!oldNames.contains(after.sections[i].name))
            sectionsNew.append({i, &after.sections[i]});
    if (changes.isEmpty() && sectionsGone.isEmpty() && sectionsNew.isEmpty())
        return;

    if (m_delegate)
        m_delegate->controllerWillChangeContent(*this);
    for (const auto& [index, section] : sectionsGone)
        if (m_delegate)
            m_delegate->didChangeSection(*this, section->name, index, ChangeType::Delete);
    for (const auto& [index, section] : sectionsNew)
        if (m_delegate)
            m_delegate->didChangeSection(*this, section->name, index, ChangeType::Insert);
    for (const auto& c : changes)
        if (m_delegate)
            m_delegate->didChangeObject(*this, c.object, c.from, c.type, c.to);
    if (m_delegate)
        m_delegate->controllerDidChangeContent(*this);
}

} // namespace pelnix::platform
