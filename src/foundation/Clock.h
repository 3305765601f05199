#pragma once

#include <QDateTime>

#include <functional>

namespace pelnix {

// "Now" for the date texts. The system clock unless a source is set (tests set a fixed one).
class Clock {
public:
    using Source = std::function<QDateTime()>;

    static QDateTime now();
    // An empty source puts the system clock back.
    static void setSource(Source source);
};

} // namespace pelnix
