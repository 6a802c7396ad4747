// Texture/*.tga (the fixed interface pictures, the font sheet aside) and the
// four episode material sets. The game loads 10 fixed textures and 35
// materials: 45 of its 63 texture slots.
#include "tools/assetgen/assetgen.h"
#include "tools/assetgen/fs_util.h"
#include "tools/assetgen/texture_paint.h"

#include <cmath>

namespace {

const float PI = 3.14159265f;

Rgba Lighten(Rgba c, float k) {
    return Mix(c, Rgba{1, 1, 1, c.a}, k);
}

// Big chrome letters: a vertical metal gradient with a dark rim.
void ChromeTitle(Image& img, const char* text, float cx, float cy, int px, Rgba tint) {
    Image mask(img.width(), img.height(), Rgba{0, 0, 0, 0});
    DrawText(mask, text, cx, cy, px, MakeRgb(1, 1, 1), FONT_SANS_BOLD);
    // The rim first, then the metal inside the glyph mask.
    for (int i = 0; i < 16; ++i) {
        float a = 2 * PI * i / 16;
        DrawText(img, text, cx + 4 * std::cos(a), cy + 4 * std::sin(a) + 2, px,
                 Rgba{0.02f, 0.02f, 0.08f, 1}, FONT_SANS_BOLD);
    }
    float top = cy - px * 0.4f, bottom = cy + px * 0.4f;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            float k = mask.at(x, y).a;
            if (k <= 0) continue;
            float t = (y - top) / (bottom - top);
            Rgba c;
            if (t < 0.48f)
                c = Mix(MakeRgb(1, 1, 1), Mix(tint, MakeRgb(1, 1, 1), 0.3f), t / 0.48f);
            else if (t < 0.52f)
                c = Scale(tint, 0.35f);
            else
                c = Mix(Scale(tint, 0.5f), Mix(tint, MakeRgb(1, 1, 1), 0.6f), (t - 0.52f) / 0.48f);
            img.blend(x, y, c, k);
        }
}

Image PaintIntro() {
    const int W = 512, H = 256;
    Image img(W, H);
    VerticalGradient(img, Hex(0x0A0630), Hex(0x2A0A4A));
    Prng rng(4242);
    for (int i = 0; i < 160; ++i)
        FillCircle(img, rng.range(0, W), rng.range(0, H), rng.range(0.5f, 1.6f),
                   Rgba{1, 1, 1, rng.range(0.4f, 1.0f)});
    // A perspective grid floor under the title.
    for (int i = -12; i <= 12; ++i)
        Line(img, W * 0.5f + i * 12.0f, H * 0.62f, W * 0.5f + i * 60.0f, H * 1.0f, 1.5f,
             Rgba{1, 0.24f, 0.85f, 0.7f});
    for (int j = 0; j < 7; ++j) {
        float y = H * 0.62f + (H * 0.38f) * (j * j) / 36.0f;
        Line(img, 0, y, W, y, 1.5f, Rgba{1, 0.24f, 0.85f, 0.7f});
    }
    Glow(img, W * 0.5f, H * 0.45f, 90, Hex(0x6A2AFF), 0.5f);
    ChromeTitle(img, "K3D", W * 0.5f, H * 0.42f, 150, Hex(0x6AB8FF));
    DrawOutlinedText(img, "KRYSTALON 3D", W * 0.5f, H * 0.86f, 30, Hex(0xFFD040), Hex(0x100020),
                     2.5f, FONT_SANS_BOLD);
    return img;
}

// Behind the menus: light everywhere for the black labels (gold texts carry
// their own dark rim from the glyph sheet), deepening only a little.
Image PaintSplash() {
    const int S = 512;
    Image img(S, S);
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x) {
            float fy = y / (S - 1.0f);
            Rgba c = Mix(Hex(0x9CC0F0), Hex(0x6A90D0), fy);
            float n = Fbm(x * 0.01f, y * 0.01f, 4, 99);
            c = Lighten(c, 0.12f * n);
            // Soft light rays from the top centre.
            float a = std::atan2(x - S * 0.5f, y + 60.0f);
            float ray = 0.5f + 0.5f * std::cos(a * 18);
            img.at(x, y) = Lighten(c, 0.08f * ray * (1 - fy));
        }
    // A faint watermark of the title in the top part (32 units are cut off).
    Image mark(S, S, Rgba{0, 0, 0, 0});
    DrawText(mark, "K3D", S * 0.5f, S * 0.22f, 170, MakeRgb(1, 1, 1), FONT_SANS_BOLD);
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x)
            img.blend(x, y, MakeRgb(1, 1, 1), mark.at(x, y).a * 0.16f);
    // Brick rows framing the bottom where the menu boxes sit.
    for (int c = 0; c < 16; ++c) {
        Rgba b = BrickColour(EP_ARCADE, c % 12);
        FillRect(img, c * 32.0f + 1, S - 14.0f, c * 32.0f + 31, S - 2.0f, b);
        BevelXY(img, c * 32.0f + 1, S - 14.0f, c * 32.0f + 31, S - 2.0f, 3, 3, 0.8f);
    }
    return img;
}

// The side bands: dark, with a column of neon bricks. mirror flips them.
Image PaintMiniSplash(bool right) {
    const int W = 64, H = 512;
    Image img(W, H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            float fx = (right ? W - 1 - x : x) / (W - 1.0f);
            Rgba c = Mix(Hex(0x0A0A24), Hex(0x24306A), fx);
            img.at(x, y) = Scale(c, 0.85f + 0.15f * Fbm(x * 0.05f, y * 0.05f, 3, 7));
        }
    for (int i = 0; i < 16; ++i) {
        Rgba b = BrickColour(EP_ARCADE, (i * 5 + (right ? 3 : 0)) % 12);
        float y0 = 40 + i * 28.0f;
        FillRect(img, 14, y0, 50, y0 + 20, b);
        BevelXY(img, 14, y0, 50, y0 + 20, 4, 4, 0.8f);
    }
    float edge = right ? 1.5f : W - 3.5f;
    FillRect(img, edge, 0, edge + 2, H, Hex(0xFF3CD8));
    return img;
}

// The maker's logo on the spinning slab of the intro, above the light
// strip its stand is coloured from.
Image PaintLogo() {
    const int W = 512, H = LOGO_PICTURE_HEIGHT - LOGO_STAND_ROWS;
    Image sign(W, H);
    VerticalGradient(sign, Hex(0x20284A), Hex(0x0A0C1A));
    ChromeTitle(sign, "K3D", W * 0.5f, H * 0.4f, 140, Hex(0xFFB040));
    DrawOutlinedText(sign, "ORVI STUDIO", W * 0.5f, H * 0.84f, 34, Hex(0xE8ECFF), Hex(0x000000), 2,
                     FONT_SANS_BOLD);
    BevelXY(sign, 0, 0, W, H, 2.0f / 96 * W, 2.0f / 38 * H, 0.9f);
    Image img(W, LOGO_PICTURE_HEIGHT, Hex(0xD4DAEE));
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            img.at(x, y) = sign.at(x, y);
    return img;
}

} // namespace

bool WriteTextures(const std::string& gameDir) {
    if (!UsableGameDir(gameDir)) return false;
    const std::string tex = gameDir + "/Texture";
    if (!MakeDirs(tex)) return false;
    bool ok = true;
    ok = WriteTarga(tex + "/intro.tga", PaintIntro(), 24) && ok;
    ok = WriteTarga(tex + "/splash.tga", PaintSplash(), 24) && ok;
    ok = WriteTarga(tex + "/orvi.tga", PaintLogo(), 24) && ok;
    ok = WriteTarga(tex + "/mini_splash_G.tga", PaintMiniSplash(false), 24) && ok;
    ok = WriteTarga(tex + "/mini_splash_D.tga", PaintMiniSplash(true), 24) && ok;
    const char* bgName[EPISODE_COUNT] = {"bg_arcade", "bg_jungle", "bg_ocean", "bg_street"};
    for (int ep = 0; ep < EPISODE_COUNT; ++ep)
        ok = WriteTarga(tex + "/" + bgName[ep] + ".tga", PaintPlayground(ep, 256), 24) && ok;
    for (int ep = 0; ep < EPISODE_COUNT; ++ep) {
        const std::string dir = gameDir + "/Orvi/" + EpisodeDirs[ep];
        if (!MakeDirs(dir)) {
            ok = false;
            continue;
        }
        ok = WriteEpisodeMaterials(dir, ep) && ok;
    }
    return ok;
}
