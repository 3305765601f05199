#pragma once

#include "PooledPageSource.h"

#include <memory>

namespace pelnix::platform::ui {

class TextPageLayout;

// A plain text file as slices of a reading width. At most kMaxBytes of it are read and laid out,
// off the main thread; a longer text shows its beginning under a note that says so.
class TextPageSource : public PooledPageSource {
    Q_OBJECT
public:
    static constexpr qint64 kMaxBytes = 512 * 1024;
    static constexpr qreal kWidth = 360;
    static constexpr qreal kSliceHeight = 1000;

    explicit TextPageSource(const QString& path, const QFont& font, QObject* parent = nullptr);
    ~TextPageSource() override;

    int pageCount() const override { return int(m_slices.size()); }
    QSizeF pageSize(int page) const override { return m_slices.value(page); }
    // The note over a text that is shown in part; empty when all of it is.
    QString note() const { return m_note; }
    qint64 bytesShown() const { return m_bytesShown; }

    // The note for a text of `total` bytes of which `shown` are shown.
    static QString noteFor(qint64 shown, qint64 total);

protected:
    // Slices are never laid out taller than they are: drawn whole.
    std::function<QImage()> drawing(const Request& request) const override;

private:
    struct Loaded;

    std::shared_ptr<const TextPageLayout> m_layout;
    QList<QSizeF> m_slices;
    QString m_note;
    qint64 m_bytesShown = 0;
};

} // namespace pelnix::platform::ui
