#pragma once

// Sample media files made on the spot for the gallery and the tests: a WebM video by GStreamer's
// command-line tool, a WAV tone, a PDF by QPdfWriter and a JPEG of stripes.

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>
#include <cmath>

namespace pelnix::samples {

// `seconds` of GStreamer's colour bars at 10 frames a second, 320 x 180; "" when the tool is missing
// or fails.
inline QString makeVideo(const QString& path, int seconds, const QString& pattern = QStringLiteral("smpte")) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0"));
    if (tool.isEmpty())
        return {};
    QProcess gst;
    gst.start(tool,
              {QStringLiteral("-q"), QStringLiteral("videotestsrc"),
               QStringLiteral("num-buffers=%1").arg(seconds * 10), QStringLiteral("pattern=") + pattern,
               QStringLiteral("!"), QStringLiteral("video/x-raw,width=320,height=180,framerate=10/1"),
               QStringLiteral("!"), QStringLiteral("vp8enc"), QStringLiteral("!"), QStringLiteral("webmmux"),
               QStringLiteral("!"), QStringLiteral("filesink"), QStringLiteral("location=") + path});
    if (!gst.waitForFinished(60000) || gst.exitStatus() != QProcess::NormalExit || gst.exitCode() != 0)
        return {};
    return path;
}

// A mono 16-bit 8 kHz sine tone of `ms` milliseconds.
inline QString makeTone(const QString& path, int ms) {
    const int rate = 8000;
    const int samples = rate * ms / 1000;
    QByteArray data(samples * 2, Qt::Uninitialized);
    for (int i = 0; i < samples; ++i)
        qToLittleEndian<qint16>(qint16(8000 * std::sin(2 * M_PI * 440 * i / rate)), data.data() + 2 * i);
    QByteArray wav("RIFF");
    const auto put32 = [&wav](quint32 v) { wav += QByteArray(reinterpret_cast<const char*>(&v), 4); };
    const auto put16 = [&wav](quint16 v) { wav += QByteArray(reinterpret_cast<const char*>(&v), 2); };
    put32(quint32(36 + data.size()));
    wav += "WAVEfmt ";
    put32(16);
    put16(1);
    put16(1);
    put32(rate);
    put32(rate * 2);
    put16(2);
    put16(16);
    wav += "data";
    put32(quint32(data.size()));
    wav += data;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(wav) != wav.size())
        return {};
    return path;
}

// A two-page A5 PDF whose first page has a blue title band.
inline QString makePdf(const QString& path) {
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A5));
    writer.setResolution(72);
    QPainter painter(&writer);
    const QRect page = painter.viewport();
    painter.fillRect(QRect(0, 0, page.width(), 70), QColor(0, 122, 255));
    painter.setPen(Qt::white);
    QFont title(QStringLiteral("DejaVu Sans"), 20, QFont::Bold);
    painter.setFont(title);
    painter.drawText(QRect(20, 0, page.width() - 40, 70), Qt::AlignVCenter, QStringLiteral("Travel policy"));
    painter.setPen(Qt::darkGray);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 11));
    for (int line = 0; line < 18; ++line)
        painter.drawText(
            QRect(20, 90 + line * 22, page.width() - 40, 20), Qt::AlignLeft,
            QStringLiteral("%1. Book through the travel desk at least a week ahead.").arg(line + 1));
    writer.newPage();
    painter.drawText(QRect(20, 20, page.width() - 40, 20), Qt::AlignLeft, QStringLiteral("Page two"));
    painter.end();
    return QFile::exists(path) ? path : QString();
}

// Vertical stripes of the given colours, as JPEG bytes.
inline QByteArray stripesJpeg(const QSize& size, const QList<QColor>& colours, int quality = 90) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    const int width = size.width() / int(colours.size()) + 1;
    for (int i = 0; i < colours.size(); ++i)
        painter.fillRect(i * width, 0, width, size.height(), colours[i]);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", quality);
    return bytes;
}

} // namespace pelnix::samples
