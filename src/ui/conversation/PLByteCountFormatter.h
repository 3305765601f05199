#pragma once

#include <QString>

namespace pelnix {

// Byte counts as people read them: "Zero KB", "512 bytes", "2 KB", "1.5 MB", "3.25 GB". The unit
// is the largest that keeps the number at 1 or more; digits adapt to it (none up to KB, one for MB,
// two above) with trailing zeros dropped. Binary counts 1024 bytes to the kilobyte, decimal 1000.
class PLByteCountFormatter {
public:
    enum class Style { Binary, Decimal };

    static QString stringFromByteCount(qint64 bytes, Style style);
};

} // namespace pelnix
