// The body decoder on its own: bodies whose decoded size fills the decoder's pieces exactly, in every
// coding and stacked, fed whole, a byte at a time and in 4 KiB pieces; gzip members and zstd frames
// (skippable ones too) one after another; streams cut inside a member or frame, and bytes of no
// stream after the last one.
#include "CodedBodies.h"
#include "platform/BodyDecoder.h"

#include <QRandomGenerator>
#include <QTest>

using namespace pelnix::platform;
using namespace pelnix::test;

namespace {

constexpr qsizetype kPiece = BodyDecoder::kPieceBytes;

// Words of a few letters with spaces and line ends: text that compresses as prose does.
QByteArray text(qsizetype size) {
    static const QByteArray words[] = {"the ",  "meeting ", "notes ",   "of ",     "Monday ",
                                       "room ", "shared ",  "agenda\n", "budget ", "draft, "};
    QRandomGenerator random(160);
    QByteArray out;
    out.reserve(size + 16);
    while (out.size() < size)
        out += words[random.bounded(int(std::size(words)))];
    out.truncate(size);
    return out;
}

enum class Outcome { Kept, Cut, Refused };

struct Decoded {
    Outcome outcome = Outcome::Kept;
    QByteArray bytes;
    qsizetype largestPiece = 0;
};

// `body` through a decoder of `codings`, in pieces of `piece` bytes (all at once when 0).
Decoded decoded(const QList<QByteArray>& codings, const QByteArray& body, qsizetype piece) {
    BodyDecoder decoder(codings);
    Decoded result;
    const BodyDecoder::Sink sink = [&result](const char* data, qsizetype size) {
        result.bytes.append(data, size);
        result.largestPiece = qMax(result.largestPiece, size);
        return true;
    };
    const qsizetype step = piece > 0 ? piece : qMax<qsizetype>(1, body.size());
    for (qsizetype at = 0; at < body.size(); at += step)
        if (decoder.decode(body.constData() + at, qMin(step, body.size() - at), sink) !=
            BodyDecoder::Result::Going) {
            result.outcome = Outcome::Refused;
            return result;
        }
    result.outcome = decoder.isWhole() ? Outcome::Kept : Outcome::Cut;
    return result;
}

const char* nameOf(Outcome outcome) {
    switch (outcome) {
    case Outcome::Kept:
        return "kept";
    case Outcome::Cut:
        return "cut";
    case Outcome::Refused:
        return "refused";
    }
    return "?";
}

} // namespace

Q_DECLARE_METATYPE(Outcome)

class TestBodyDecoder : public QObject {
    Q_OBJECT
private slots:
    // A stream whose last decoded bytes fill a piece exactly is as whole as one a byte longer or
    // shorter, in every coding and under another, however its bytes arrive.
    void bodiesFillingWholePiecesAreWhole_data() {
        QTest::addColumn<QList<QByteArray>>("codings");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("plain");
        struct Coding {
            const char* name;
            QList<QByteArray> codings;
            QByteArray (*code)(const QByteArray&);
        };
        const Coding codings[] = {
            {"gzip", {"gzip"}, gzipped},
            {"deflate", {"deflate"}, zlibDeflated},
            {"raw deflate", {"deflate"}, rawDeflated},
            {"br", {"br"}, brotliCompressed},
            {"zstd", {"zstd"}, zstdCompressed},
            {"zstd --check", {"zstd"}, [](const QByteArray& d) { return zstdFramed(d, true, true); }},
            {"zstd --no-check", {"zstd"}, [](const QByteArray& d) { return zstdFramed(d, false, true); }},
            {"zstd from a pipe", {"zstd"}, [](const QByteArray& d) { return zstdFramed(d, true, false); }},
            {"gzip, zstd", {"gzip", "zstd"}, [](const QByteArray& d) { return zstdCompressed(gzipped(d)); }},
            {"zstd, br",
             {"zstd", "br"},
             [](const QByteArray& d) { return brotliCompressed(zstdCompressed(d)); }},
        };
        const qsizetype sizes[] = {kPiece, 2 * kPiece, 16 * kPiece, 16 * kPiece - 1, 16 * kPiece + 1};
        for (const Coding& coding : codings)
            for (const qsizetype size : sizes) {
                const QByteArray plain = text(size);
                QTest::addRow("%s, %lld bytes", coding.name, qlonglong(size))
                    << coding.codings << coding.code(plain) << plain;
            }
        // The sizes first seen refused: 8 MiB from the command line, with and without its checksum.
        const QByteArray large = text(128 * kPiece);
        QTest::addRow("zstd --check, 8 MiB")
            << QList<QByteArray>{"zstd"} << zstdFramed(large, true, true) << large;
        QTest::addRow("zstd --no-check, 8 MiB")
            << QList<QByteArray>{"zstd"} << zstdFramed(large, false, true) << large;
    }
    void bodiesFillingWholePiecesAreWhole() {
        QFETCH(QList<QByteArray>, codings);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, plain);
        QVERIFY(!body.isEmpty());
        const qsizetype pieces[] = {0, 4096, 1};
        for (const qsizetype piece : pieces) {
            // A byte at a time through 8 MiB proves nothing the 1 MiB rows do not.
            if (piece == 1 && plain.size() > 16 * kPiece + 1)
                continue;
            const Decoded result = decoded(codings, body, piece);
            QVERIFY2(result.outcome == Outcome::Kept,
                     qPrintable(QStringLiteral("%1 in pieces of %2").arg(nameOf(result.outcome)).arg(piece)));
            QVERIFY2(result.bytes == plain, qPrintable(QStringLiteral("pieces of %1: %2 bytes of %3")
                                                           .arg(piece)
                                                           .arg(result.bytes.size())
                                                           .arg(plain.size())));
            QVERIFY(result.largestPiece <= kPiece);
        }
    }

    // gzip members and zstd frames follow one another as their formats allow, skippable zstd frames
    // among them; a body is whole only once its last member or frame ended, and bytes of no member or
    // frame after it are refused.
    void membersAndFramesFollowOneAnother_data() {
        QTest::addColumn<QList<QByteArray>>("codings");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QByteArray>("plain");
        const QByteArray first = text(3 * kPiece + 17);
        const QByteArray second = text(kPiece);
        const QByteArray both = first + second;
        const QByteArray gzipFirst = gzipped(first);
        const QByteArray gzipSecond = gzipped(second);
        const QByteArray gzipEmpty = gzipped({});
        const QList<QByteArray> gzip{"gzip"};
        const QList<QByteArray> zstd{"zstd"};
        QTest::addRow("gzip, two members") << gzip << gzipFirst + gzipSecond << Outcome::Kept << both;
        QTest::addRow("gzip, an empty member between")
            << gzip << gzipFirst + gzipEmpty + gzipSecond << Outcome::Kept << both;
        QTest::addRow("gzip, an empty member last")
            << gzip << gzipFirst + gzipSecond + gzipEmpty << Outcome::Kept << both;
        QTest::addRow("gzip, one empty member") << gzip << gzipEmpty << Outcome::Kept << QByteArray();
        QTest::addRow("gzip, x-gzip, two members")
            << QList<QByteArray>{"x-gzip"} << gzipFirst + gzipSecond << Outcome::Kept << both;
        QTest::addRow("gzip, two members under br")
            << QList<QByteArray>{"gzip", "br"} << brotliCompressed(gzipFirst + gzipSecond) << Outcome::Kept
            << both;
        QTest::addRow("gzip, the second member cut in its head")
            << gzip << gzipFirst + gzipSecond.left(5) << Outcome::Cut << QByteArray();
        QTest::addRow("gzip, the second member cut in its data")
            << gzip << gzipFirst + gzipSecond.left(gzipSecond.size() / 2) << Outcome::Cut << QByteArray();
        QTest::addRow("gzip, the second member cut in its trailer")
            << gzip << gzipFirst + gzipSecond.chopped(3) << Outcome::Cut << QByteArray();
        QTest::addRow("gzip, bytes of no member after the last")
            << gzip << gzipFirst + gzipSecond + "garbage" << Outcome::Refused << QByteArray();
        QTest::addRow("gzip, zeros after the last member")
            << gzip << gzipFirst + QByteArray(8, '\0') << Outcome::Refused << QByteArray();
        QTest::addRow("gzip, a member whose check fails")
            << gzip << gzipFirst + gzipSecond.chopped(8) + gzipFirst.right(8) << Outcome::Refused
            << QByteArray();
        QTest::addRow("deflate, a second stream after the end, refused")
            << QList<QByteArray>{"deflate"} << zlibDeflated(first) + zlibDeflated(second) << Outcome::Refused
            << QByteArray();
        QTest::addRow("br, bytes after the end, refused")
            << QList<QByteArray>{"br"} << brotliCompressed(first) + "xyz" << Outcome::Refused << QByteArray();
        QTest::addRow("zstd, two frames")
            << zstd << zstdCompressed(first) + zstdCompressed(second) << Outcome::Kept << both;
        QTest::addRow("zstd, a skippable frame last, as a seek table")
            << zstd << zstdCompressed(both) + zstdSkippable(QByteArray(24, 's')) << Outcome::Kept << both;
        QTest::addRow("zstd, skippable frames before each, as a parallel encoder")
            << zstd
            << zstdSkippable("\x10\x00\x00\x00") + zstdCompressed(first) + zstdSkippable("\x20\x00\x00\x00") +
                   zstdCompressed(second)
            << Outcome::Kept << both;
        QTest::addRow("zstd, the second frame cut")
            << zstd << zstdCompressed(first) + zstdCompressed(second).left(9) << Outcome::Cut << QByteArray();
        QTest::addRow("zstd, a skippable frame cut")
            << zstd << zstdCompressed(both) + zstdSkippable(QByteArray(24, 's')).left(12) << Outcome::Cut
            << QByteArray();
        QTest::addRow("zstd, bytes of no frame after the last")
            << zstd << zstdCompressed(both) + "garbage!" << Outcome::Refused << QByteArray();
    }
    void membersAndFramesFollowOneAnother() {
        QFETCH(QList<QByteArray>, codings);
        QFETCH(QByteArray, body);
        QFETCH(Outcome, outcome);
        QFETCH(QByteArray, plain);
        for (const qsizetype piece : {qsizetype(0), qsizetype(4096), qsizetype(1)}) {
            const Decoded result = decoded(codings, body, piece);
            QVERIFY2(result.outcome == outcome,
                     qPrintable(QStringLiteral("%1 in pieces of %2").arg(nameOf(result.outcome)).arg(piece)));
            if (outcome == Outcome::Kept)
                QCOMPARE(result.bytes, plain);
        }
    }
};

QTEST_GUILESS_MAIN(TestBodyDecoder)
#include "tst_body_decoder.moc"
