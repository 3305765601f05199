#pragma once

#include <QString>

namespace pelnix::platform::ui {

class ViewController;

// A named storyboard: the screens registered under its name in the ScreenRegistry.
class Storyboard {
public:
    explicit Storyboard(const QString& name) : m_name(name) {}
    static Storyboard storyboardWithName(const QString& name) { return Storyboard(name); }

    QString name() const { return m_name; }
    ViewController* instantiateViewControllerWithIdentifier(const QString& identifier) const;
    ViewController* instantiateInitialViewController() const;

private:
    QString m_name;
};

} // namespace pelnix::platform::ui
