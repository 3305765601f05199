#pragma once

#include <QByteArray>

namespace pelnix::standin {

// Draws the stand-in's map tiles in the common z/x/y scheme: a grid of labelled streets over land,
// with a park in some blocks. Streets lie every 128 pixels of the zoom level's world, so neighbouring
// tiles join up; "ST <n>" runs east-west and "AVE <n>" north-south, n counted from the world's north-west
// corner. The labels use a small pixel font of the service's own, so no font is needed.
class MapTileRenderer {
public:
    static constexpr int kTileSize = 256;
    static constexpr int kMaximumZoom = 19;
    static constexpr int kStreetSpacing = 128;
    static constexpr int kStreetWidth = 18;
    // Colours as 0xRRGGBB, for tests that read tiles.
    static constexpr unsigned kLand = 0xEFEBE3;
    static constexpr unsigned kPark = 0xC8E6BE;
    static constexpr unsigned kStreet = 0xFFFFFF;
    static constexpr unsigned kLabel = 0x5A5A5A;

    // The PNG of one tile; empty for a tile outside the scheme.
    static QByteArray png(int z, int x, int y);
    static bool isValidTile(int z, int x, int y);
    // Whether the block (counted like the streets) holds a park.
    static bool isPark(long long blockX, long long blockY);
};

} // namespace pelnix::standin
