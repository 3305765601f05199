#pragma once

#include <QtGlobal>
#include <functional>

namespace pelnix {

// What the side drawer tells the container behind it: the user chose one of its options. The
// completion runs once the container has acted on it.
class PLSideDrawerDelegate {
public:
    virtual ~PLSideDrawerDelegate() = default;
    virtual void didSelectSideDrawerOption(qint64 option, std::function<void()> completion) = 0;
};

} // namespace pelnix
