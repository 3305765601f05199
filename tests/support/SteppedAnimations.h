#pragma once

#include "platform/ui/Animator.h"

#include <QAnimationDriver>
#include <QCoreApplication>

namespace pelnix::test {

// Animations that run on a clock the test moves: a slide is at the point the test chose, whatever the
// machine's load, and a step of 0 ms leaves everything where it is. Installed for the object's life.
class SteppedAnimations : public QAnimationDriver {
public:
    SteppedAnimations() { install(); }
    ~SteppedAnimations() override { uninstall(); }
    SteppedAnimations(const SteppedAnimations&) = delete;
    SteppedAnimations& operator=(const SteppedAnimations&) = delete;

    qint64 elapsed() const override { return m_elapsed; }

    // Moves every running animation `ms` on, then delivers what that posted.
    void step(int ms) {
        m_elapsed += ms;
        advance();
        QCoreApplication::processEvents();
    }
    // Moves them on in frames of 16 ms until `ms` have passed.
    void run(int ms) {
        for (int done = 0; done < ms; done += 16)
            step(qMin(16, ms - done));
    }

private:
    qint64 m_elapsed = 0;
};

// As above, with the library's pages sliding as they do for a user (tests run them at once otherwise).
class SteppedSlides : public SteppedAnimations {
public:
    SteppedSlides() { platform::ui::Animator::setInstant(false); }
    ~SteppedSlides() override { platform::ui::Animator::setInstant(true); }
};

} // namespace pelnix::test
