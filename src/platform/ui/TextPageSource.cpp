#include "TextPageSource.h"

#include "DocumentPreview.h"
#include "TextPageLayout.h"

#include <QFile>
#include <QLocale>
#include <QStringDecoder>

namespace pelnix::platform::ui {

struct TextPageSource::Loaded {
    std::shared_ptr<const TextPageLayout> layout;
    QString note;
    qint64 bytes = 0;
    bool ok = false;
};

TextPageSource::TextPageSource(const QString& path, const QFont& font, QObject* parent)
    : PooledPageSource(parent) {
    offMain<std::shared_ptr<Loaded>>(
        [path, font] {
            auto loaded = std::make_shared<Loaded>();
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                return loaded;
            const qint64 total = file.size();
            QByteArray bytes = file.read(kMaxBytes);
            // A character cut at the end is left out rather than shown as a replacement.
            QStringDecoder decoder(QStringDecoder::Utf8);
            const QString text = decoder(bytes);
            loaded->bytes = bytes.size();
            if (total > bytes.size())
                loaded->note = noteFor(bytes.size(), total);
            loaded->layout = std::make_shared<TextPageLayout>(text, font, kWidth, loaded->note);
            loaded->ok = true;
            return loaded;
        },
        [this](std::shared_ptr<Loaded> result) {
            if (!result->ok) {
                emit failed(DocumentPreview::NotFoundError, QStringLiteral("The document does not exist."));
                return;
            }
            m_layout = result->layout;
            m_note = result->note;
            m_bytesShown = result->bytes;
            m_slices = m_layout->slices(kSliceHeight);
            emit loaded();
        });
}

TextPageSource::~TextPageSource() = default;

QString TextPageSource::noteFor(qint64 shown, qint64 total) {
    const QLocale locale;
    return QStringLiteral("This text is %1 long: only its first %2 are shown.")
        .arg(locale.formattedDataSize(total, 1, QLocale::DataSizeTraditionalFormat),
             locale.formattedDataSize(shown, 0, QLocale::DataSizeTraditionalFormat));
}

std::function<QImage()> TextPageSource::drawing(const Request& request) const {
    return [layout = m_layout, page = request.page, pixels = request.pixels] {
        return layout->drawSlice(page, kSliceHeight, pixels);
    };
}

} // namespace pelnix::platform::ui
