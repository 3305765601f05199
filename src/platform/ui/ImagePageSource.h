#pragma once

#include "PooledPageSource.h"

namespace pelnix::platform::ui {

// A picture as a document of one page, decoded off the main thread at no more than kMaxPixels.
class ImagePageSource : public PooledPageSource {
    Q_OBJECT
public:
    static constexpr qint64 kMaxPixels = 16 * 1024 * 1024;

    explicit ImagePageSource(const QString& path, QObject* parent = nullptr);

    int pageCount() const override { return m_image.isNull() ? 0 : 1; }
    QSizeF pageSize(int) const override { return m_image.size(); }
    QSize decodedSize() const { return m_image.size(); }

protected:
    std::function<QImage()> drawing(const Request& request) const override;

private:
    QImage m_image;
};

} // namespace pelnix::platform::ui
