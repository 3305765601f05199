#pragma once

// Videos a room member can send that once took the media worker to gigabytes, shared by the media
// tests and the benchmark: motion JPEG of huge frames made without ever holding a frame (one flat grey
// JPEG written by hand, muxed by GStreamer's command-line tool), beside ordinary ones the tool encodes.

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QSize>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QtEndian>

namespace pelnix::test {

// A baseline greyscale JPEG of `size` (sides multiples of 8, blocks a multiple of 4) whose every block
// is flat grey: each 8 x 8 block is six bits (no change of DC, end of block) with the format's own
// example Huffman tables, so 24000 x 24000 pixels take 6.75 MB.
inline QByteArray flatJpeg(const QSize& size) {
    QByteArray out("\xff\xd8", 2);
    const auto segment = [&out](char marker, const QByteArray& body) {
        out += '\xff';
        out += marker;
        char length[2];
        qToBigEndian<quint16>(quint16(body.size() + 2), length);
        out.append(length, 2);
        out += body;
    };
    segment('\xdb', QByteArray(1, '\0') + QByteArray(64, '\1'));
    QByteArray frame(1, '\x08');
    char side[2];
    qToBigEndian<quint16>(quint16(size.height()), side);
    frame.append(side, 2);
    qToBigEndian<quint16>(quint16(size.width()), side);
    frame.append(side, 2);
    frame += QByteArray("\x01\x01\x11\x00", 4);
    segment('\xc0', frame);
    segment('\xc4', QByteArray::fromHex("00"                               // DC, table 0
                                        "00010501010101010100000000000000" // counts per code length
                                        "000102030405060708090a0b"));
    segment('\xc4', QByteArray::fromHex("10"                               // AC, table 0
                                        "0002010303020403050504040000017d" // counts per code length
                                        "01020300041105122131410613516107227114328191a1082342b1c11552d1f0"
                                        "2433627282090a161718191a25262728292a3435363738393a43444546474849"
                                        "4a535455565758595a636465666768696a737475767778797a83848586878889"
                                        "8a92939495969798999aa2a3a4a5a6a7a8a9aab2b3b4b5b6b7b8b9bac2c3c4c5"
                                        "c6c7c8c9cad2d3d4d5d6d7d8d9dae1e2e3e4e5e6e7e8e9eaf1f2f3f4f5f6f7f8"
                                        "f9fa"));
    segment('\xda', QByteArray("\x01\x01\x00\x00\x3f\x00", 6));
    const qint64 blocks = qint64(size.width() / 8) * (size.height() / 8);
    // Four blocks: 001010 001010 001010 001010.
    out += QByteArray("\x28\xa2\x8a").repeated(qsizetype(blocks / 4));
    out += QByteArray("\xff\xd9", 2);
    return out;
}

inline bool runGst(const QStringList& pipeline) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0"));
    if (tool.isEmpty())
        return false;
    QProcess gst;
    gst.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    gst.start(tool, QStringList{QStringLiteral("-q")} + pipeline);
    return gst.waitForFinished(120000) && gst.exitStatus() == QProcess::NormalExit && gst.exitCode() == 0;
}

// A Matroska video of two flat grey frames of `size`, motion JPEG; empty when it could not be made.
inline QString hugeFrameVideo(const QString& folder, const QSize& size) {
    const QString frame = folder + QStringLiteral("/frame-%1.jpg").arg(size.width());
    const QString video = folder + QStringLiteral("/flat-%1x%2.mkv").arg(size.width()).arg(size.height());
    QFile file(frame);
    if (!file.open(QIODevice::WriteOnly) || file.write(flatJpeg(size)) < 0)
        return {};
    file.close();
    const bool made = runGst({QStringLiteral("multifilesrc"), QStringLiteral("location=") + frame,
                              QStringLiteral("index=0"), QStringLiteral("stop-index=1"),
                              QStringLiteral("do-timestamp=true"),
                              QStringLiteral("caps=image/jpeg,width=%1,height=%2,framerate=1/1")
                                  .arg(size.width())
                                  .arg(size.height()),
                              QStringLiteral("!"), QStringLiteral("matroskamux"), QStringLiteral("!"),
                              QStringLiteral("filesink"), QStringLiteral("location=") + video});
    QFile::remove(frame);
    return made && QFile(video).size() > 0 ? video : QString();
}

// Two seconds of GStreamer's test picture at `size`, motion JPEG in AVI; empty when it could not be made.
inline QString ordinaryVideo(const QString& folder, const QSize& size) {
    const QString video = folder + QStringLiteral("/ordinary-%1x%2.avi").arg(size.width()).arg(size.height());
    const bool made = runGst(
        {QStringLiteral("videotestsrc"), QStringLiteral("num-buffers=20"), QStringLiteral("!"),
         QStringLiteral("video/x-raw,width=%1,height=%2,framerate=10/1").arg(size.width()).arg(size.height()),
         QStringLiteral("!"), QStringLiteral("jpegenc"), QStringLiteral("!"), QStringLiteral("avimux"),
         QStringLiteral("!"), QStringLiteral("filesink"), QStringLiteral("location=") + video});
    return made ? video : QString();
}

} // namespace pelnix::test
