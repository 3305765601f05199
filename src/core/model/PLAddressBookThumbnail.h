#pragma once

#include <QByteArray>
#include <QImage>

namespace pelnix {

// A person's photo from the address book as the contact screens show it: decoded straight to the
// size of the largest avatar, never at the size the card's picture declares (a 5600 x 5600 photo
// would take 30 MB or more, and the time of its decoding, for a 64-point circle).
class PLAddressBookThumbnail {
public:
    // Pixels of the side a thumbnail fits in: the 64-point picture at twice the density.
    static constexpr int kSide = 128;
    // Photos with more encoded bytes, or declaring more pixels, are no thumbnail: 32 megapixels take
    // the 128 MB that Qt allows one decoded picture by default, and a 5600 x 5600 photo fits.
    static constexpr qsizetype kMaximumBytes = 8 * 1024 * 1024;
    static constexpr qint64 kMaximumPixels = 32 * 1024 * 1024;

    // The photo fitted into `side` x `side`, its shape kept (a smaller one as it is); null for data
    // that is no picture or is over the bounds. Safe on any thread.
    static QImage fromData(const QByteArray& data, int side = kSide);
};

} // namespace pelnix
