// Every text of every screen against what lies behind it: each screen is
// drawn through the game's own frame, once with the real glyph sheet and
// once with an invisible one, and the pixels that differ are the text.
// Contrast follows the WCAG relative-luminance rule; the glyph test checks
// that no stroke of the sheet vanishes at the sizes the screens draw.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "frontend/frontend.h"
#include "gameplay/entity.h"
#include "gameplay/gameplay.h"
#include "platform/platform.h"
#include "render/render.h"
#include "render/text.h"
#include "scores/scores.h"
#include "shell/game_state.h"
#include "shell/pause.h"
#include "shell/shell.h"
#include "shell/steering.h"
#include "tests/support/test_support.h"

namespace {

// ---------------------------------------------------------------------------
// Pictures and luminance
// ---------------------------------------------------------------------------

struct Picture {
    int w = 0, h = 0;
    std::vector<uint8_t> rgb; // rows bottom-up, as GL reads them
    const uint8_t* at(int x, int y) const { return &rgb[(static_cast<size_t>(y) * w + x) * 3]; }
};

Picture Grab() {
    Picture p;
    p.w = ScreenWidth();
    p.h = ScreenHeight();
    p.rgb.resize(static_cast<size_t>(p.w) * p.h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, p.w, p.h, GL_RGB, GL_UNSIGNED_BYTE, p.rgb.data());
    return p;
}

double Linear(int c8) {
    const double c = c8 / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(const uint8_t* c) {
    return 0.2126 * Linear(c[0]) + 0.7152 * Linear(c[1]) + 0.0722 * Linear(c[2]);
}

double Contrast(double a, double b) {
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

// WCAG's level for ordinary text, the goal for every text of the game.
const double GOAL = 4.5;

double Median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

// ---------------------------------------------------------------------------
// Finding the texts in a pair of pictures
// ---------------------------------------------------------------------------

// The colours the layout helpers print in (white never appears on screen).
struct InkColour {
    const char* name;
    uint8_t rgb[3];
};
const InkColour Inks[] = {
    {"gold", {243, 182, 18}}, {"red", {255, 0, 0}},  {"green", {0, 255, 0}},
    {"blue", {0, 0, 255}}, {"white", {255, 255, 255}}, {"black", {0, 0, 0}},
};
const int INK_COUNT = sizeof Inks / sizeof Inks[0];
const int WHITE_INK = INK_COUNT - 2;
const int BLACK_INK = INK_COUNT - 1;
// White is a text colour on one screen only (the pause); elsewhere the
// white shadows of black texts would pass for it.
bool LookForWhite = false;

int Distance2(const uint8_t* a, const uint8_t* b) {
    int d = 0;
    for (int i = 0; i < 3; i++)
        d += (a[i] - b[i]) * (a[i] - b[i]);
    return d;
}

struct Box {
    int x0, y0, x1, y1; // inclusive
    int height() const { return y1 - y0 + 1; }
};

// One line of text found in the picture, measured.
struct TextLine {
    Box box;
    const char* ink;
    double inkLuminance;
    double surroundLuminance;
    double contrast;
};

// A text is the pixels the glyph sheet changed; letters are grouped into
// lines when they sit side by side at the same height.
std::vector<Box> FindLines(const std::vector<uint8_t>& changed, int w, int h) {
    std::vector<int> label(changed.size(), -1);
    std::vector<Box> blobs;
    std::vector<int> stack;
    for (int start = 0; start < w * h; start++) {
        if (!changed[start] || label[start] >= 0) continue;
        Box b{w, h, -1, -1};
        const int id = static_cast<int>(blobs.size());
        stack.push_back(start);
        label[start] = id;
        while (!stack.empty()) {
            const int p = stack.back();
            stack.pop_back();
            const int x = p % w, y = p / w;
            b.x0 = std::min(b.x0, x);
            b.x1 = std::max(b.x1, x);
            b.y0 = std::min(b.y0, y);
            b.y1 = std::max(b.y1, y);
            for (int dy = -1; dy <= 1; dy++)
                for (int dx = -1; dx <= 1; dx++) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
                    const int q = ny * w + nx;
                    if (changed[q] && label[q] < 0) {
                        label[q] = id;
                        stack.push_back(q);
                    }
                }
        }
        blobs.push_back(b);
    }
    // Merge blobs into lines: overlapping heights, gaps under a letter's height.
    bool merged = true;
    while (merged) {
        merged = false;
        for (size_t i = 0; i < blobs.size() && !merged; i++)
            for (size_t j = i + 1; j < blobs.size() && !merged; j++) {
                Box& a = blobs[i];
                const Box& b = blobs[j];
                const int overlap = std::min(a.y1, b.y1) - std::max(a.y0, b.y0) + 1;
                const int shorter = std::min(a.height(), b.height());
                const int taller = std::max(a.height(), b.height());
                const int gap = std::max(a.x0, b.x0) - std::min(a.x1, b.x1) - 1;
                if (overlap * 2 < shorter || gap > taller) continue;
                a = Box{std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1),
                        std::max(a.y1, b.y1)};
                blobs.erase(blobs.begin() + static_cast<long>(j));
                merged = true;
            }
    }
    // Lines stacked closely touch through their rims: split a group at the
    // rows where almost nothing changed.
    std::vector<Box> lines;
    for (const Box& b : blobs) {
        std::vector<int> count(static_cast<size_t>(b.height()), 0);
        int most = 0;
        for (int y = b.y0; y <= b.y1; y++) {
            for (int x = b.x0; x <= b.x1; x++)
                count[static_cast<size_t>(y - b.y0)] += changed[static_cast<size_t>(y) * w + x];
            most = std::max(most, count[static_cast<size_t>(y - b.y0)]);
        }
        int start = -1;
        for (int y = b.y0; y <= b.y1 + 1; y++) {
            const bool text = y <= b.y1 && count[static_cast<size_t>(y - b.y0)] * 3 > most;
            if (text && start < 0) start = y;
            if (!text && start >= 0) {
                if (y - start >= 3) lines.push_back(Box{b.x0, start, b.x1, y - 1});
                start = -1;
            }
        }
    }
    return lines;
}

// Measures every ink colour present in one line: the ink is the changed
// pixels close to that colour; what surrounds it is every pixel within a
// few pixels of the ink in the finished picture (a shadow or an outline
// counts, the text's own edge blending into the background does not).
void MeasureLine(const Picture& with, const Picture& without, const std::vector<uint8_t>& changed,
                 const Box& box, std::vector<TextLine>* out) {
    const int w = with.w, h = with.h;
    const int radius = std::max(1, (int)std::lround(box.height() * 0.12));
    const int pad = radius + 2;
    const int x0 = std::max(0, box.x0 - pad), x1 = std::min(w - 1, box.x1 + pad);
    const int y0 = std::max(0, box.y0 - pad), y1 = std::min(h - 1, box.y1 + pad);
    const int bw = x1 - x0 + 1, bh = y1 - y0 + 1;
    // Nearest ink of every changed pixel, within a generous tolerance.
    std::vector<int> ink(static_cast<size_t>(bw) * bh, -1);
    int lineChanged = 0;
    for (int y = y0; y <= y1; y++)
        for (int x = x0; x <= x1; x++) {
            if (!changed[static_cast<size_t>(y) * w + x]) continue;
            lineChanged++;
            // The nearest ink, if the pixel went at least half way to it
            // from the background (small text never reaches its full colour).
            int best = -1, bestD = 1 << 30;
            for (int k = 0; k < INK_COUNT; k++) {
                if (k == WHITE_INK && !LookForWhite) continue;
                const int d = Distance2(with.at(x, y), Inks[k].rgb);
                if (d < bestD) {
                    bestD = d;
                    best = k;
                }
            }
            if (4 * bestD > Distance2(without.at(x, y), Inks[best].rgb)) best = -1;
            ink[static_cast<size_t>(y - y0) * bw + (x - x0)] = best;
        }
    auto inkAt = [&](int x, int y) { return ink[static_cast<size_t>(y - y0) * bw + (x - x0)]; };
    // A white text is mostly white; a few white pixels are a black text's
    // shadow.
    int whitePixels = 0;
    for (int v : ink)
        whitePixels += v == WHITE_INK;
    if (whitePixels * 10 < lineChanged * 3)
        for (int& v : ink)
            if (v == WHITE_INK) v = -1;
    // Pixels near a coloured ink belong to its rim, not to a black text.
    const int rimReach = (int)std::lround(box.height() * 0.2) + 1;
    std::vector<uint8_t> nearColour(static_cast<size_t>(bw) * bh, 0);
    for (int y = y0; y <= y1; y++)
        for (int x = x0; x <= x1; x++) {
            const int k = inkAt(x, y);
            if (k < 0 || k == BLACK_INK) continue;
            for (int dy = -rimReach; dy <= rimReach; dy++)
                for (int dx = -rimReach; dx <= rimReach; dx++) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx >= x0 && nx <= x1 && ny >= y0 && ny <= y1)
                        nearColour[static_cast<size_t>(ny - y0) * bw + (nx - x0)] = 1;
                }
        }
    for (int k = 0; k < INK_COUNT; k++) {
        std::vector<uint8_t> isInk(static_cast<size_t>(bw) * bh, 0);
        std::vector<std::pair<int, double>> inkPixels; // distance to the ink, luminance
        for (int y = y0; y <= y1; y++)
            for (int x = x0; x <= x1; x++) {
                if (inkAt(x, y) != k) continue;
                const size_t i = static_cast<size_t>(y - y0) * bw + (x - x0);
                if (k == BLACK_INK && nearColour[i]) continue;
                isInk[i] = 1;
                inkPixels.push_back({Distance2(with.at(x, y), Inks[k].rgb), Luminance(with.at(x, y))});
            }
        // A few stray pixels are a neighbour's edge, not a text.
        if ((int)inkPixels.size() < std::max(4, lineChanged / 12)) continue;
        // The text's colour as drawn: its quarter of pixels closest to the
        // ink (the rest are stroke edges blending into what surrounds them).
        std::sort(inkPixels.begin(), inkPixels.end());
        std::vector<double> inkL;
        for (size_t i = 0; i < std::max<size_t>(1, inkPixels.size() / 4); i++)
            inkL.push_back(inkPixels[i].second);
        const double li = Median(inkL);
        std::vector<double> around;
        for (int y = y0; y <= y1; y++)
            for (int x = x0; x <= x1; x++) {
                const size_t i = static_cast<size_t>(y - y0) * bw + (x - x0);
                if (isInk[i]) continue;
                bool close = false;
                for (int dy = -radius; dy <= radius && !close; dy++)
                    for (int dx = -radius; dx <= radius && !close; dx++) {
                        const int nx = x + dx, ny = y + dy;
                        close = nx >= x0 && nx <= x1 && ny >= y0 && ny <= y1 &&
                                isInk[static_cast<size_t>(ny - y0) * bw + (nx - x0)];
                    }
                if (!close) continue;
                const double l = Luminance(with.at(x, y));
                // The text's own anti-aliased edge lies between ink and background.
                if (changed[static_cast<size_t>(y) * w + x]) {
                    const double lb = Luminance(without.at(x, y));
                    if (l > std::min(li, lb) + 0.005 && l < std::max(li, lb) - 0.005) continue;
                }
                around.push_back(l);
            }
        if (around.empty()) continue;
        const double ls = Median(around);
        out->push_back(TextLine{box, Inks[k].name, li, ls, Contrast(li, ls)});
    }
}

std::vector<TextLine> MeasureTexts(const Picture& with, const Picture& without) {
    std::vector<uint8_t> changed(static_cast<size_t>(with.w) * with.h, 0);
    for (size_t i = 0; i < changed.size(); i++) {
        const uint8_t* a = &with.rgb[i * 3];
        const uint8_t* b = &without.rgb[i * 3];
        changed[i] = a[0] != b[0] || a[1] != b[1] || a[2] != b[2];
    }
    std::vector<TextLine> lines;
    for (const Box& box : FindLines(changed, with.w, with.h))
        MeasureLine(with, without, changed, box, &lines);
    return lines;
}

// ---------------------------------------------------------------------------
// The screens, drawn through the game's own frame
// ---------------------------------------------------------------------------

struct ScreenResult {
    std::string name;
    std::vector<TextLine> lines;
    int textPixels;
};

class TextContrast : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override {
        VideoModeIndex = GetParam();
        DepthIndex = 1;
        SetExeDirectory(k3dtest::GameDir());
        ASSERT_TRUE(initVideo()) << "no display: run under xvfb-run";
        CreateGameWindow(ScreenWidth(), ScreenHeight(), 32, true);
        ViewAngle = -25;
        InitCameras();
        ApplyCamera();
        episode = 0;
        LoadMeshTable();
        BuildSineTable();
        LoadEpisodeFile("Orvi\\episode.pak");
        std::srand(7);
        ShuffleStageOrder();
        static const char* const names[SCORE_TABLE_SIZE] = {
            "ACE", "NOVA", "ZORG", "PILOT", "KRYS", "ORBIT", "BLAZE", "QUARK", "VEGA", "MOTH"};
        ClearScoreTable();
        for (int i = 0; i < SCORE_TABLE_SIZE; i++) {
            ScoreTable[i].score = 980000 / (i + 1);
            std::snprintf(ScoreTable[i].name, SCORE_NAME_SIZE, "%s", names[i]);
        }
        // An invisible sheet: drawing with it leaves the scene untouched.
        static const uint8_t clear[4] = {0, 0, 0, 0};
        glGenTextures(1, &invisibleFont);
        glBindTexture(GL_TEXTURE_2D, invisibleFont);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, clear);
    }
    void TearDown() override {
        glDeleteTextures(1, &invisibleFont);
        ClearEntities();
        ClearDisplayFlags();
        GameState = GS_STARTUP;
        DestroyGameWindow();
    }

    // The pointer rests in the top right corner, where no text is.
    static void ParkPointer() {
        SteerX = ScreenWidth();
        SteerY = -ScreenHeight();
        FireHeld = RightHeld = false;
        KeyWord = 0;
    }

    static void DrawFrame() {
        GameWindow->resetView();
        SetProjection(ScreenWidth(), ScreenHeight());
        ApplyCamera();
        RunGameFrame();
        glFinish();
    }

    // Two frames with time standing still, the second with an invisible
    // font; a third, with the font again, must match the first.
    ScreenResult Measure(const std::string& name) {
        const int savedFrameMs = FrameMs;
        FrameMs = 0;
        ParkPointer();
        DrawFrame(); // the pointer and the ship follow the steering after drawing
        DrawFrame();
        const Picture with = Grab();
        const uint32_t font = TextureNames[FontTexture];
        TextureNames[FontTexture] = invisibleFont;
        DrawFrame();
        const Picture without = Grab();
        TextureNames[FontTexture] = font;
        DrawFrame();
        const Picture again = Grab();
        FrameMs = savedFrameMs;
        int moved = 0, firstMoved = -1;
        for (size_t i = 0; i < with.rgb.size(); i++)
            if (with.rgb[i] != again.rgb[i]) {
                moved++;
                if (firstMoved < 0) firstMoved = (int)(i / 3);
            }
        EXPECT_EQ(moved, 0) << name << ": the frame is not still, first at (" << firstMoved % with.w
                            << ", " << ScreenHeight() - 1 - firstMoved / with.w << ")";
        ScreenResult r{name, MeasureTexts(with, without), 0};
        for (size_t i = 0; i < with.rgb.size(); i += 3)
            r.textPixels += with.rgb[i] != without.rgb[i] || with.rgb[i + 1] != without.rgb[i + 1] ||
                            with.rgb[i + 2] != without.rgb[i + 2];
        results.push_back(r);
        return r;
    }

    // Moves time on by n frames of ms each (spins, fades), drawing them.
    static void Advance(int frames, int ms) {
        const int saved = FrameMs;
        FrameMs = ms;
        ParkPointer();
        for (int i = 0; i < frames; i++)
            DrawFrame();
        FrameMs = saved;
    }

    void StartPlay(int ep, int viewAngle) {
        ViewAngle = viewAngle;
        InitCameras();
        episode = ep;
        std::srand(7);
        StartEpisode();
        SteerX = 0;
        SteerY = 0;
        combo = 125;
        score = 48250;
        pendingScore = 0;
        lives = 3;
        currentStage = 7;
    }

    uint32_t invisibleFont = 0;
    std::vector<ScreenResult> results;
};

// The level each text must reach: 4.5 : 1, or 3 : 1 for large text. On the
// play screens the texts are of size 10 and 12 (the HUD's small lines) or
// 24 and 32 (labels, scores, messages, the name entry), so a line at least
// 14 units of the 640 x 480 grid high is large there.
double Required(const std::string& screen, const TextLine& t) {
    const bool play = screen.compare(0, 4, "hud_") == 0 || screen.compare(0, 6, "stage_") == 0 ||
                      screen.compare(0, 5, "life_") == 0 || screen.compare(0, 5, "name_") == 0 ||
                      screen.compare(0, 7, "paused_") == 0;
    const double designHeight = t.box.height() * 480.0 / ScreenHeight();
    if (play && designHeight >= 14.0) return 3.0;
    return GOAL;
}

TEST_P(TextContrast, EveryTextStandsOutFromWhatLiesBehindIt) {
    // The intro's slab turns behind the captions: several moments of a turn.
    ShowFpsOption = 1; // a text a player may turn on
    EnterIntro();
    for (int phase = 0; phase < 6; phase++) {
        Measure("intro_" + std::to_string(phase));
        Advance(6, 100); // 6 x 10 degrees
    }
    EnterMainMenu();
    Measure("menu_topten");
    EnterEpisodeSelect();
    GameState = GS_EPISODE_SELECT;
    Measure("episode_choice");
    EnterMainMenu();
    EnterHelp();
    GameState = GS_HELP;
    Measure("help");
    {
        k3dtest::TempDir dir; // the setup screen reads and may write its file
        SetExeDirectory(dir.path().c_str());
        EnterSetup();
        GameState = GS_SETUP;
        SetupArmed = true;
        Measure("setup_video");
        StepConfig(0, false); // OPTIONS
        StepConfig(2, true);
        StepConfig(2, true); // Delirium!
        Measure("setup_options");
        SetExeDirectory(k3dtest::GameDir());
    }
    EnterQuitScreen();
    QuitArmed = false;
    Measure("quit_credits");

    static const char* const episodes[4] = {"arcade", "jungle", "ocean", "street"};
    static const int angles[3] = {0, -25, -50};
    for (int ep = 0; ep < 4; ep++) {
        for (int a = 0; a < 3; a++) {
            StartPlay(ep, angles[a]);
            Measure(std::string("hud_") + episodes[ep] + "_view" + std::to_string(-angles[a]));
        }
        StartPlay(ep, -25);
        SetPaused(true, GameClockMs());
        LookForWhite = true;
        Measure(std::string("paused_") + episodes[ep]);
        LookForWhite = false;
        SetPaused(false, GameClockMs());
        GameState = GS_STAGE_CLEARED;
        HeldTarget = -1;
        Measure(std::string("stage_cleared_") + episodes[ep]);
        GameState = GS_LIFE_LOST;
        lives = 0;
        Measure(std::string("life_lost_") + episodes[ep]);
        ChangeGameState(GS_RESPAWN); // no life left: the name entry
        ASSERT_EQ(GameState, GS_NAME_ENTRY);
        std::memcpy(PlayerName, "PILOT_____", 11);
        DrawFrame(); // the name entry clears the screen from its second frame
        Measure(std::string("name_entry_") + episodes[ep]);
    }

    for (const ScreenResult& r : results) {
        EXPECT_GT(r.textPixels, 0) << r.name << ": no text drawn";
        EXPECT_FALSE(r.lines.empty()) << r.name << ": no text found";
        for (const TextLine& t : r.lines)
            EXPECT_GE(t.contrast, Required(r.name, t))
                << r.name << ": " << t.ink << " text at (" << t.box.x0 << ", "
                << ScreenHeight() - 1 - t.box.y1 << "), " << t.box.height() << " px high: ink L "
                << t.inkLuminance << " against " << t.surroundLuminance;
    }
}

// ---------------------------------------------------------------------------
// Strokes: every glyph drawn through the printer at every size the screens
// use, against the sheet's own glyph averaged over each pixel
// ---------------------------------------------------------------------------

// The glyph coverage of the sheet (its colour times its alpha), bottom-up.
struct Sheet {
    int w = 0, h = 0;
    std::vector<float> coverage;
    float at(int x, int y) const { return coverage[static_cast<size_t>(y) * w + x]; }
};

bool ReadSheet(Sheet* sheet) {
    std::string bytes;
    if (!k3dtest::ReadWholeFile(std::string(k3dtest::GameDir()) + "/Texture/font.tga", &bytes)) return false;
    if (bytes.size() < 18) return false;
    const auto* b = reinterpret_cast<const uint8_t*>(bytes.data());
    sheet->w = b[12] | b[13] << 8;
    sheet->h = b[14] | b[15] << 8;
    if (b[16] != 32 || (b[17] & 0x20)) return false; // 32-bit, stored bottom-up
    const size_t start = 18 + b[0];
    if (bytes.size() < start + static_cast<size_t>(sheet->w) * sheet->h * 4) return false;
    sheet->coverage.resize(static_cast<size_t>(sheet->w) * sheet->h);
    for (size_t i = 0; i < sheet->coverage.size(); i++) {
        const uint8_t* p = b + start + i * 4; // B, G, R, A
        sheet->coverage[i] = p[2] / 255.0f * (p[3] / 255.0f);
    }
    return true;
}

// The sheet's coverage averaged over window pixel (i, j) of a glyph drawn
// s pixels square: what a perfectly filtered glyph would show there.
float IdealCoverage(const Sheet& sheet, int code, int s, int i, int j) {
    const int cell = sheet.w / 16;
    const int x0 = (code % 16) * cell, y0 = (15 - code / 16) * cell;
    const float k = static_cast<float>(cell) / s;
    float sum = 0, area = 0;
    for (int ty = (int)std::floor(j * k); ty < (int)std::ceil((j + 1) * k) && ty < cell; ty++)
        for (int tx = (int)std::floor(i * k); tx < (int)std::ceil((i + 1) * k) && tx < cell; tx++) {
            const float wx = std::min<float>(tx + 1, (i + 1) * k) - std::max<float>(tx, i * k);
            const float wy = std::min<float>(ty + 1, (j + 1) * k) - std::max<float>(ty, j * k);
            if (wx <= 0 || wy <= 0) continue;
            sum += sheet.at(x0 + tx, y0 + ty) * wx * wy;
            area += wx * wy;
        }
    return area > 0 ? sum / area : 0.0f;
}

TEST(GlyphStrokes, NoStrokeVanishesAtAnySizeTheScreensDraw) {
    Sheet sheet;
    ASSERT_TRUE(ReadSheet(&sheet));
    VideoModeIndex = 4; // room for the biggest glyphs
    DepthIndex = 1;
    SetExeDirectory(k3dtest::GameDir());
    ASSERT_TRUE(initVideo()) << "no display: run under xvfb-run";
    CreateGameWindow(ScreenWidth(), ScreenHeight(), 32, true);
    LoadTextures();
    ASSERT_GT(FontTexture, 0);
    glViewport(0, 0, ScreenWidth(), ScreenHeight());

    // Every size of the screens at 400 x 300, 640 x 480 and 1280 x 1024.
    std::vector<int> sizes;
    for (int design : {10, 12, 15, 18, 20, 23, 24, 26, 32, 39})
        for (float scale : {0.625f, 1.0f, 2.0f})
            sizes.push_back((int)(design * scale));
    std::sort(sizes.begin(), sizes.end());
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());

    for (int s : sizes) {
        const int pitch = s + 4, perRow = ScreenWidth() / pitch;
        int lost = 0, strokePixels = 0, blots = 0;
        for (int first = 33; first < 127;) {
            glClearColor(1, 1, 1, 1);
            glClear(GL_COLOR_BUFFER_BIT);
            std::vector<std::pair<int, int>> at;
            int n = 0;
            for (; first + n < 127 && n / perRow < ScreenHeight() / pitch; n++) {
                const int x = 2 + (n % perRow) * pitch, y = 2 + (n / perRow) * pitch;
                SetTextSize(s);
                SetTextColour(0, 0, 0);
                Print(x, y, "%c", first + n);
                at.push_back({x, y});
            }
            const Picture p = Grab();
            for (int g = 0; g < n; g++)
                for (int j = 0; j < s; j++)
                    for (int i = 0; i < s; i++) {
                        const float ideal = IdealCoverage(sheet, first + g, s, i, j);
                        const float drawn = 1.0f - p.at(at[g].first + i, at[g].second + j)[0] / 255.0f;
                        if (ideal >= 0.5f) {
                            strokePixels++;
                            if (drawn < 0.2f) lost++;
                            continue;
                        }
                        // Black text is the glyph alone: two pixels away
                        // from it nothing darkens (the rim is for colours).
                        float near = 0;
                        for (int dj = -2; dj <= 2; dj++)
                            for (int di = -2; di <= 2; di++)
                                if (i + di >= 0 && j + dj >= 0 && i + di < s && j + dj < s)
                                    near = std::max(near, IdealCoverage(sheet, first + g, s, i + di, j + dj));
                        if (near == 0.0f && drawn > 0.25f) blots++;
                    }
            first += n;
        }
        EXPECT_EQ(lost, 0) << "glyphs drawn " << s << " pixels high lose strokes";
        EXPECT_EQ(blots, 0) << "black glyphs drawn " << s << " pixels high carry the rim";
    }
    DestroyGameWindow();
}

// 400 x 300, 640 x 480 and 1280 x 1024.
INSTANTIATE_TEST_SUITE_P(Sizes, TextContrast, ::testing::Values(0, 1, 4),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "mode" + std::to_string(info.param);
                         });

} // namespace
