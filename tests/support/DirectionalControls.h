#pragma once

// The directional formatting characters that the screens keep from reordering text or from reaching
// an action's address, by their short names, for table-driven tests.

#include <QList>
#include <utility>

namespace pelnix::test {

inline QList<std::pair<const char*, char16_t>> directionalControls() {
    return {{"ALM", 0x061C}, {"LRM", 0x200E}, {"RLM", 0x200F}, {"LRE", 0x202A},
            {"RLE", 0x202B}, {"PDF", 0x202C}, {"LRO", 0x202D}, {"RLO", 0x202E},
            {"LRI", 0x2066}, {"RLI", 0x2067}, {"FSI", 0x2068}, {"PDI", 0x2069}};
}

} // namespace pelnix::test
