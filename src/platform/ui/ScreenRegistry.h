#pragma once

#include "StoryboardSegue.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>

namespace pelnix::platform::ui {

class ViewController;

// Screens built in code, found by the storyboard names and identifiers the screens use ("Home",
// "Login", "LoggedOut", "Chatlets", ...), with each storyboard's initial screen and its named segues.
//
// A screen may carry a fixture: sample data that makes it presentable on its own, for the screenshot
// tool.
class ScreenRegistry {
public:
    using Factory = std::function<ViewController*()>;
    using Fixture = std::function<void(ViewController*)>;

    static ScreenRegistry* shared();

    void registerScreen(const QString& storyboard, const QString& identifier, Factory factory,
                        Fixture fixture = {});
    void setInitialScreen(const QString& storyboard, const QString& identifier);
    // A segue from the screen `sourceIdentifier` (empty: any screen of the storyboard). Unwind segues
    // name no destination: the target is found by canPerformUnwindSegueAction().
    void registerSegue(const QString& storyboard, const QString& sourceIdentifier,
                       const QString& segueIdentifier, const QString& destinationIdentifier,
                       StoryboardSegue::Kind kind);

    bool hasScreen(const QString& storyboard, const QString& identifier) const;
    // The identifier of the storyboard's initial screen; empty when none was set.
    QString initialScreen(const QString& storyboard) const { return m_initial.value(storyboard); }
    QStringList storyboards() const;
    QStringList identifiers(const QString& storyboard) const;
    Fixture fixture(const QString& storyboard, const QString& identifier) const;

    // A new controller for the screen, carrying its storyboard identity; null when unknown.
    ViewController* instantiate(const QString& storyboard, const QString& identifier) const;
    ViewController* instantiateInitial(const QString& storyboard) const;

    // Runs the segue `identifier` from `source`: shouldPerformSegue, then prepareForSegue, then push
    // (modal when the source has no navigation controller), present, or unwind.
    bool performSegue(ViewController* source, const QString& identifier, QObject* sender);

    // Forgets everything (tests).
    void clear();

private:
    struct Screen {
        Factory factory;
        Fixture fixture;
    };
    struct Segue {
        QString destination;
        StoryboardSegue::Kind kind;
    };
    static QString key(const QString& a, const QString& b) { return a + QChar(0) + b; }
    bool unwind(ViewController* source, const QString& identifier, QObject* sender);

    QHash<QString, Screen> m_screens;
    QHash<QString, QStringList> m_order;
    QHash<QString, QString> m_initial;
    QHash<QString, Segue> m_segues;
};

} // namespace pelnix::platform::ui
