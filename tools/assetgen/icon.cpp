// The game's icon for desktop menus: a dark tile with three rows of bricks
// (one already broken), the ball and the ship. Drawn at every size it ships
// in (no scaling of a bigger picture, so small sizes stay crisp) and written
// as PNG by the small encoder below (stored deflate blocks: the icons are
// tiny and this needs no compression library).
#include "tools/assetgen/assetgen.h"
#include "tools/assetgen/fs_util.h"
#include "tools/assetgen/image.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0) {
    static uint32_t table[256];
    static bool ready = false;
    if (!ready) {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        ready = true;
    }
    crc = ~crc;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void PutBigEndian32(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 24));
    out.push_back(static_cast<uint8_t>(v >> 16));
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

void PutChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& body) {
    PutBigEndian32(out, static_cast<uint32_t>(body.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    PutBigEndian32(out, Crc32(out.data() + start, out.size() - start));
}

std::vector<uint8_t> EncodePng(const Image& img) {
    const uint32_t w = static_cast<uint32_t>(img.width()), h = static_cast<uint32_t>(img.height());
    // Rows of RGBA, each after a filter byte 0 (none).
    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(h) * (w * 4 + 1));
    for (uint32_t y = 0; y < h; ++y) {
        raw.push_back(0);
        for (uint32_t x = 0; x < w; ++x) {
            const Rgba& p = img.at(static_cast<int>(x), static_cast<int>(y));
            for (float v : {p.r, p.g, p.b, p.a})
                raw.push_back(
                    static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)));
        }
    }
    // A zlib stream of stored blocks, then the Adler-32 of the raw bytes.
    std::vector<uint8_t> zlib = {0x78, 0x01};
    for (size_t at = 0; at < raw.size() || at == 0;) {
        const size_t length = std::min<size_t>(65535, raw.size() - at);
        const bool last = at + length == raw.size();
        zlib.push_back(last ? 1 : 0);
        zlib.push_back(static_cast<uint8_t>(length));
        zlib.push_back(static_cast<uint8_t>(length >> 8));
        zlib.push_back(static_cast<uint8_t>(~length));
        zlib.push_back(static_cast<uint8_t>(~length >> 8));
        zlib.insert(zlib.end(), raw.begin() + static_cast<long>(at),
                    raw.begin() + static_cast<long>(at + length));
        at += length;
        if (last) break;
    }
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBigEndian32(zlib, (b << 16) | a);

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PutBigEndian32(header, w);
    PutBigEndian32(header, h);
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8 bits, RGBA, deflate, no filter, no interlace
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", zlib);
    PutChunk(png, "IEND", {});
    return png;
}

// Coverage of a rounded rectangle at pixel (x, y), 4 x 4 samples.
float RoundRectCoverage(int x, int y, float x0, float y0, float x1, float y1, float radius) {
    int inside = 0;
    for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx) {
            const float px = x + (sx + 0.5f) / 4.0f, py = y + (sy + 0.5f) / 4.0f;
            const float dx = std::max({x0 + radius - px, 0.0f, px - (x1 - radius)});
            const float dy = std::max({y0 + radius - py, 0.0f, py - (y1 - radius)});
            if (px >= x0 && px <= x1 && py >= y0 && py <= y1 &&
                dx * dx + dy * dy <= radius * radius)
                ++inside;
        }
    return inside / 16.0f;
}

Image DrawIcon(int size) {
    const float u = size / 256.0f; // the design grid is 256 x 256
    const Rgba top = Hex(0x23376e), bottom = Hex(0x0a1030);
    Image img(size, size, Rgba{0, 0, 0, 0});
    // The tile: its colour everywhere, its shape in the alpha, so the
    // anti-aliased rim does not darken towards black.
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            Rgba c = Mix(top, bottom, (y + 0.5f) / size);
            c.a = RoundRectCoverage(x, y, 12 * u, 12 * u, 244 * u, 244 * u, 44 * u);
            img.at(x, y) = c;
        }

    // Three rows of four bricks; the third of the middle row is gone.
    const uint32_t rowColours[3] = {0xe8473f, 0xf2a43a, 0x49c95e};
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col) {
            if (row == 1 && col == 2) continue;
            const float x0 = (40 + col * 46) * u, y0 = (44 + row * 28) * u;
            const float x1 = x0 + 40 * u, y1 = y0 + 22 * u;
            const Rgba c = Hex(rowColours[row]);
            FillRoundRect(img, x0, y0, x1, y1, 5 * u, c);
            // Light from above: a lit top edge, a shaded bottom edge.
            FillRoundRect(img, x0 + 3 * u, y0 + 2 * u, x1 - 3 * u, y0 + 7 * u, 2.5f * u,
                          Mix(c, Hex(0xffffff), 0.45f));
            FillRect(img, x0 + 2 * u, y1 - 5 * u, x1 - 2 * u, y1 - 1.5f * u, Scale(c, 0.7f));
        }

    // The ball, glowing, on its way down from the broken brick.
    Glow(img, 150 * u, 150 * u, 20 * u, Hex(0x6fa8ff), 0.55f);
    FillCircle(img, 150 * u, 150 * u, 15 * u, Hex(0xf4f7ff));
    FillCircle(img, 145 * u, 145 * u, 5.5f * u, Hex(0xffffff));

    // The ship: a silver bar with a blue stripe and bright ends.
    FillRoundRect(img, 70 * u, 196 * u, 186 * u, 218 * u, 11 * u, Hex(0xc9d2e4));
    FillRect(img, 84 * u, 204 * u, 172 * u, 210 * u, Hex(0x3a7bff));
    FillCircle(img, 81 * u, 207 * u, 7 * u, Hex(0xffd54a));
    FillCircle(img, 175 * u, 207 * u, 7 * u, Hex(0xffd54a));
    return img;
}

const int IconSizes[4] = {48, 64, 128, 256};

} // namespace

bool WriteIcons(const std::string& gameDir) {
    if (!UsableGameDir(gameDir)) return false;
    bool ok = true;
    for (int size : IconSizes) {
        const std::string dir = gameDir + "/icons/hicolor/" + std::to_string(size) + "x" +
                                std::to_string(size) + "/apps";
        if (!MakeDirs(dir)) {
            ok = false;
            continue;
        }
        const std::vector<uint8_t> png = EncodePng(DrawIcon(size));
        ok = WriteFileBytes(dir + "/k3d.png", png.data(), png.size()) && ok;
    }
    return ok;
}
