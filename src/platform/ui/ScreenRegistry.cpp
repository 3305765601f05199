#include "ScreenRegistry.h"

#include "NavigationController.h"
#include "ViewController.h"

#include "platform/Log.h"

namespace pelnix::platform::ui {

ScreenRegistry* ScreenRegistry::shared() {
    static ScreenRegistry registry;
    return &registry;
}

void ScreenRegistry::registerScreen(const QString& storyboard, const QString& identifier, Factory factory,
                                    Fixture fixture) {
    if (!factory)
        return;
    const QString k = key(storyboard, identifier);
    if (!m_screens.contains(k))
        m_order[storyboard] << identifier;
    m_screens.insert(k, Screen{std::move(factory), std::move(fixture)});
}

void ScreenRegistry::setInitialScreen(const QString& storyboard, const QString& identifier) {
    m_initial.insert(storyboard, identifier);
}

void ScreenRegistry::registerSegue(const QString& storyboard, const QString& sourceIdentifier,
                                   const QString& segueIdentifier, const QString& destinationIdentifier,
                                   StoryboardSegue::Kind kind) {
    m_segues.insert(key(key(storyboard, sourceIdentifier), segueIdentifier),
                    Segue{destinationIdentifier, kind});
}

bool ScreenRegistry::hasScreen(const QString& storyboard, const QString& identifier) const {
    return m_screens.contains(key(storyboard, identifier));
}

QStringList ScreenRegistry::storyboards() const {
    QStringList names = m_order.keys();
    names.sort();
    return names;
}

QStringList ScreenRegistry::identifiers(const QString& storyboard) const {
    return m_order.value(storyboard);
}

ScreenRegistry::Fixture ScreenRegistry::fixture(const QString& storyboard, const QString& identifier) const {
    return m_screens.value(key(storyboard, identifier)).fixture;
}

ViewController* ScreenRegistry::instantiate(const QString& storyboard, const QString& identifier) const {
    const auto it = m_screens.constFind(key(storyboard, identifier));
    if (it == m_screens.constEnd()) {
        Log::debug(QStringLiteral("No screen \"%1\" in storyboard \"%2\"").arg(identifier, storyboard));
        return nullptr;
    }
    ViewController* controller = it->factory();
    if (controller && controller->storyboardIdentifier().isEmpty())
        controller->setStoryboardIdentity(storyboard, identifier);
    return controller;
}

ViewController* ScreenRegistry::instantiateInitial(const QString& storyboard) const {
    const auto it = m_initial.constFind(storyboard);
    return it == m_initial.constEnd() ? nullptr : instantiate(storyboard, *it);
}

bool ScreenRegistry::performSegue(ViewController* source, const QString& identifier, QObject* sender) {
    if (!source)
        return false;
    const QString storyboard = source->storyboardName();
    auto it = m_segues.constFind(key(key(storyboard, source->storyboardIdentifier()), identifier));
    if (it == m_segues.constEnd())
        it = m_segues.constFind(key(key(storyboard, QString()), identifier));
    if (it == m_segues.constEnd()) {
        Log::debug(
            QStringLiteral("No segue \"%1\" from \"%2\"").arg(identifier, source->storyboardIdentifier()));
        return false;
    }
    if (!source->shouldPerformSegue(identifier, sender))
        return false;
    if (it->kind == StoryboardSegue::Kind::Unwind)
        return unwind(source, identifier, sender);

    ViewController* destination = instantiate(storyboard, it->destination);
    if (!destination)
        return false;
    StoryboardSegue segue(identifier, it->kind, source, destination);
    source->prepareForSegue(segue, sender);
    NavigationController* nav = qobject_cast<NavigationController*>(source);
    if (!nav)
        nav = source->navigationController();
    if (it->kind == StoryboardSegue::Kind::Push && nav)
        nav->pushViewController(destination, true);
    else
        source->presentViewController(destination, true);
    return true;
}

bool ScreenRegistry::unwind(ViewController* source, const QString& identifier, QObject* sender) {
    // Walk back the way the user came: down the navigation stack, then to each presenter.
    ViewController* current = source;
    while (current) {
        if (NavigationController* nav = current->navigationController()) {
            const auto stack = nav->viewControllers();
            const int from =
                stack.indexOf(current->parentViewController() == nav ? current : nav->topViewController());
            for (int i = from - 1; i >= 0; --i) {
                if (stack[i]->canPerformUnwindSegueAction(identifier, source)) {
                    StoryboardSegue segue(identifier, StoryboardSegue::Kind::Unwind, source, stack[i]);
                    source->prepareForSegue(segue, sender);
                    if (source->rootAncestor() != nav->rootAncestor())
                        nav->dismissViewController(true);
                    nav->popToViewController(stack[i], true);
                    return true;
                }
            }
        }
        ViewController* presenter = current->presentingViewController();
        if (!presenter)
            break;
        // The presenter itself, or the top of its navigation stack.
        ViewController* candidate = presenter;
        if (auto* nav = qobject_cast<NavigationController*>(presenter))
            candidate = nav->topViewController();
        if (candidate && candidate->canPerformUnwindSegueAction(identifier, source)) {
            StoryboardSegue segue(identifier, StoryboardSegue::Kind::Unwind, source, candidate);
            source->prepareForSegue(segue, sender);
            presenter->dismissViewController(true);
            return true;
        }
        current = candidate ? candidate : presenter;
    }
    Log::debug(QStringLiteral("No destination for the unwind segue \"%1\"").arg(identifier));
    return false;
}

void ScreenRegistry::clear() {
    m_screens.clear();
    m_order.clear();
    m_initial.clear();
    m_segues.clear();
}

} // namespace pelnix::platform::ui
