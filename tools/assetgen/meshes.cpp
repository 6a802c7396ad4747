// Mesh/*.asc: every 3D object of the game.
//
// Sizes. Mesh units are divided by 80 at spawn; the sizes below come from
// where the game puts and scales each object (camera 0 at depth 5 sees
// x within +-2.75 and y within +-2.06 at z = 0; at z = 0.7 one world unit
// is about 135 pixels of the 640 x 480 grid, at z = 0 about 116).
//  - brique*: scale (0.6, 2, 2) on a grid of 1/3.3 across and 0.25 down.
//    Pitch in mesh units 40.4 x 10; bricks are 38 x 9 (half 19 x 4.5), a
//    gap of about 0.01 world units, 12 deep (half 6: 0.15 world at scale
//    z 2, 0.9 at the deepest Delirium scale, still in front of the floor).
//  - playground: scale (4.5, 3.5, 1) at z = -1.5. The play camera at view
//    angles 0, -25 and -50 sees the plane z = -1.5 up to x = +-79/+-87/+-117
//    and y = -84 .. +99 in mesh units, so the floor spans x +-124 and
//    y -92 .. +108. The walls stand where the ball turns: its centre turns
//    at x = +-2.6316 and y = 2.7027 world, its surface 0.07 further out, so
//    the rails' inner faces are at x = +-48 and y = 63.3 (2.70 and 2.77
//    world). They rise from the floor to mesh z 128 (world z +0.1), just
//    above the plane the ball and the ship move in: seen in perspective a
//    lower rail looks nearer the middle than the ball that bounces off it.
//  - boule: scale 0.1; radius 56 (0.07 world). The ball waits 0.143 above
//    the ship's centre, so the ship is 5.8 round (0.0725): they just touch.
//  - raquette / raquette_fire: turned -90 about x, so mesh z is up on
//    screen while the collision box uses mesh y: the hull is round about x
//    (y and z extents equal), cannons up in z. The steering takes the
//    ship's centre to x = +-2.525 world (5 / 1.98); to end inside the rails
//    (2.70) at both ends its half width is 13.5 (0.169 world).
//  - missile: turned like the ship; 12 long in z, 3 across in x and y.
//  - bonus*: spin about x; length 27, radius 6.5 (0.34 x 0.16 world), so
//    nine of them fit the help screen's 0.2 spacing.
//  - bumper: scale 1 .. 3.75, faces the camera; glowing disc of radius 6.
//  - menubox: scale (0.28, 0.1, 1) at z = 0.7; a two-line label of size 12
//    is about 54 x 24 pixels; the box is 90 x 36 pixels: half 95 x 106.
//  - plaque: scale (0.35, 0.12, 1) for the setup plates (labels of 11
//    letters, 66 x 24 pixels; plates 3.9/5 apart): half 112 x 120; the
//    intro shows it at (1, 0.5): a 255 x 136 pixel picture at z = -1.4.
//  - arcade/jungle/ocean/street boards: scale 0.6 at (+-0.8, +-0.8); their
//    labels sit 63 pixels below the centres: half 63 (110 pixels square).
//  - orvi (logo): scale 2.5 at y = -0.4 between the intro plate (its
//    bottom edge 0.55 above) and the intro texts (0.55 below the logo
//    at z = 0): half 48 x 19, a 350 x 140 pixel sign, on a round stand
//    that lies under the texts.
//  - select (setup arrows): scales (1.4 .. 2, 0.6); the choice arrows are
//    116 pixels from the centre and labels reach 55: half 10 x 17,
//    symmetric about the origin since the box ignores the 180 degree turn.
//  - cursor: scale 2 at z = 0.8; menu boxes are 0.134 world apart, so its
//    box is 0.12 across (half 2.4), and symmetric for the same reason.
#include "tools/assetgen/assetgen.h"
#include "tools/assetgen/fs_util.h"
#include "tools/assetgen/mesh_builder.h"

#include <cmath>
#include <cstdio>

namespace {

const float PI = 3.14159265358979f;

// The logo's stand: at scale 2.5 and y = -0.4 its disc lies at world
// y = -1.6 and reaches 1.6 towards and away from the camera, so the
// ellipse it makes on screen covers the bottom eighth of it, where the
// intro's two captions are, some 195 pixels either side of the centre.
const float LOGO_STAND_Y = -38.4f;
const float LOGO_STAND_RADIUS = 51.2f;

bool Save(const MeshFile& m, const std::string& dir, const std::string& name) {
    if (m.vertexCount() > 512 || m.faceCount() > 512) {
        fprintf(stderr, "k3d-assetgen: %s has %d vertices and %d faces (limit 512)\n", name.c_str(),
                m.vertexCount(), m.faceCount());
        return false;
    }
    return m.write(dir + "/" + name);
}

// Brick styles differ in how the bevel catches the eye; every style keeps
// the same outer size so that rows tile.
void Brick(MeshFile& m, int kind) {
    char mat[32];
    snprintf(mat, sizeof mat, "brique%d", kind + 1);
    m.beginObject(mat);
    m.useMaterial(mat);
    switch (kind % 3) {
    case 0: // classic bevel
        AddBevelSlab(m, 19, 4.5f, 6, 3.0f, 1.1f, 2.5f);
        break;
    case 1: // deep gem cut
        AddBevelSlab(m, 19, 4.5f, 6, 5.0f, 1.8f, 4.0f);
        break;
    default: { // bevel with a raised stud in the middle
        AddBevelSlab(m, 19, 4.5f, 6, 2.5f, 1.0f, 2.0f);
        // The stud's uv window is the middle of the picture, painted as it.
        m.beginObject("stud");
        const float sx = 7, sy = 2.2f;
        const float u0 = (19 - sx) / 38, u1 = (19 + sx) / 38, v0 = (4.5f - sy) / 9,
                    v1 = (4.5f + sy) / 9;
        const float z0 = 6, z1 = 8;
        const float bx = 1.5f, by = 0.6f;
        int a = m.addVertex(-sx + bx, -sy + by, z1, u0 + 0.03f, v0 + 0.05f);
        int b = m.addVertex(sx - bx, -sy + by, z1, u1 - 0.03f, v0 + 0.05f);
        int c = m.addVertex(sx - bx, sy - by, z1, u1 - 0.03f, v1 - 0.05f);
        int d = m.addVertex(-sx + bx, sy - by, z1, u0 + 0.03f, v1 - 0.05f);
        m.addQuad(a, b, c, d);
        int e = m.addVertex(-sx, -sy, z0, u0, v0);
        int f = m.addVertex(sx, -sy, z0, u1, v0);
        int g = m.addVertex(sx, sy, z0, u1, v1);
        int h = m.addVertex(-sx, sy, z0, u0, v1);
        m.addQuad(e, f, b, a);
        m.addQuad(f, g, c, b);
        m.addQuad(g, h, d, c);
        m.addQuad(h, e, a, d);
        break;
    }
    }
}

void Playground(MeshFile& m) {
    m.beginObject("floor");
    m.useMaterial("playground");
    // A grid rather than one quad keeps the texture steady under the tilt.
    const int nx = 8, ny = 8;
    const float x0 = -124, x1 = 124, y0 = -92, y1 = 108;
    int idx[nx + 1][ny + 1];
    for (int i = 0; i <= nx; ++i)
        for (int j = 0; j <= ny; ++j) {
            float u = static_cast<float>(i) / nx, v = static_cast<float>(j) / ny;
            idx[i][j] = m.addVertex(x0 + (x1 - x0) * u, y0 + (y1 - y0) * v, 0, u, v);
        }
    for (int i = 0; i < nx; ++i)
        for (int j = 0; j < ny; ++j)
            m.addQuad(idx[i][j], idx[i + 1][j], idx[i + 1][j + 1], idx[i][j + 1]);
    // Rails: the walls the ball bounces off, standing on the floor and
    // reaching just above the plane the ball moves in.
    m.beginObject("rails");
    m.useMaterial("bordure");
    const float wx = 48, top = 63.3f, h = 128, t = 6;
    const float bottom = -92;
    // The texture's upper half is the rails' own picture, its lower half
    // the far wall's inner face, which lies behind the score texts at the
    // top of the screen (see PaintRails). Half a texel of 128 stays clear
    // at either end of each half, so neither bleeds into the other.
    auto railV = [](float v) { return 0.5f + 0.5f / 128 + v * (0.5f - 1.0f / 128); };
    auto farV = [](float v) { return 0.5f / 128 + v * (0.5f - 1.0f / 128); };
    // left and right rails: inner face, top and outer face, uv along their length
    for (int side = -1; side <= 1; side += 2) {
        float xi = side * wx, xo = side * (wx + t);
        int a = m.addVertex(xi, bottom, 0, 0, railV(0));
        int b = m.addVertex(xi, top, 0, 1, railV(0));
        int c = m.addVertex(xi, top, h, 1, railV(1));
        int d = m.addVertex(xi, bottom, h, 0, railV(1));
        m.addQuad(a, b, c, d);
        int e = m.addVertex(xo, bottom, h, 0, railV(0.9f));
        int f = m.addVertex(xo, top + t, h, 1, railV(0.9f));
        int g = m.addVertex(xi, top, h, 1, railV(1));
        int k = m.addVertex(xi, bottom, h, 0, railV(1));
        m.addQuad(k, g, f, e);
        int o1 = m.addVertex(xo, bottom, 0, 0, railV(0));
        int o2 = m.addVertex(xo, top + t, 0, 1, railV(0));
        int o3 = m.addVertex(xo, top + t, h, 1, railV(1));
        int o4 = m.addVertex(xo, bottom, h, 0, railV(1));
        m.addQuad(o1, o2, o3, o4);
    }
    int a = m.addVertex(-wx, top, 0, 0, farV(0));
    int b = m.addVertex(wx, top, 0, 1, farV(0));
    int c = m.addVertex(wx, top, h, 1, farV(1));
    int d = m.addVertex(-wx, top, h, 0, farV(1));
    m.addQuad(a, b, c, d);
    int e = m.addVertex(-wx - t, top + t, h, 0, railV(0.9f));
    int f = m.addVertex(wx + t, top + t, h, 1, railV(0.9f));
    int g = m.addVertex(wx, top, h, 1, railV(1));
    int k = m.addVertex(-wx, top, h, 0, railV(1));
    m.addQuad(k, g, f, e);
}

void Ball(MeshFile& m) {
    m.beginObject("ball");
    m.useMaterial("boule");
    // Small on screen (about 11 pixels): 8 rings of 12 are round enough.
    LathePoint p[9];
    for (int i = 0; i <= 8; ++i) {
        float a = PI * i / 8;
        p[i] = LathePoint{-56 * std::cos(a), 56 * std::sin(a)};
    }
    p[0].r = p[8].r = 0;
    AddLathe(m, p, 9, 12, 0, 1, 2);
}

void Bumper(MeshFile& m) {
    m.beginObject("bumper");
    m.useMaterial("bumper");
    const int seg = 24;
    int centre = m.addVertex(0, 0, 0, 0.5f, 0.5f);
    int first = -1, prev = -1;
    for (int s = 0; s <= seg; ++s) {
        float a = 2 * PI * s / seg;
        int v = m.addVertex(6 * std::cos(a), 6 * std::sin(a), 0, 0.5f + 0.5f * std::cos(a),
                            0.5f + 0.5f * std::sin(a));
        if (prev >= 0) m.addTri(centre, prev, v);
        if (first < 0) first = v;
        prev = v;
    }
}

// The ship's hull: a rounded capsule about x with glowing tips.
void ShipHull(MeshFile& m) {
    m.beginObject("hull");
    m.useMaterial("raquette");
    const LathePoint p[] = {{-13.5f, 0},    {-13.1f, 2.2f}, {-12.2f, 4.1f}, {-10.8f, 5.5f},
                            {-9, 5.8f},     {-4, 5.8f},     {4, 5.8f},      {9, 5.8f},
                            {10.8f, 5.5f},  {12.2f, 4.1f},  {13.1f, 2.2f},  {13.5f, 0}};
    // u 0..0.5 of the texture is the hull; the cannons use the right half.
    AddLathe(m, p, 12, 16, 0, 0.5f, 1);
}

void Cannons(MeshFile& m) {
    m.beginObject("cannons");
    m.useMaterial("raquette");
    const LathePoint barrel[] = {{0, 0},     {0, 2.6f},  {4, 2.6f}, {6, 1.8f},
                                 {13, 1.8f}, {14, 1.2f}, {14, 0}};
    for (int side = -1; side <= 1; side += 2)
        AddLatheZ(m, barrel, 7, 8, side * 8.0f, 0, 0.55f, 1.0f, 0, 1);
}

void Missile(MeshFile& m) {
    m.beginObject("missile");
    m.useMaterial("missile");
    const LathePoint p[] = {{-6, 0}, {-5, 1.5f}, {3, 1.5f}, {6, 0}};
    AddLatheZ(m, p, 4, 8, 0, 0, 0, 1, 0, 1);
}

void Capsule(MeshFile& m, int n) {
    char mat[32];
    snprintf(mat, sizeof mat, "bonus%d", n);
    m.beginObject(mat);
    m.useMaterial(mat);
    LathePoint p[14];
    int k = 0;
    // Hemispherical ends, straight middle: x runs from -12 to 12.
    for (int i = 0; i <= 4; ++i) {
        float a = PI * 0.5f * i / 4;
        p[k++] = LathePoint{-7.0f - 6.5f * std::cos(a), 6.5f * std::sin(a)};
    }
    p[0].r = 0;
    for (int i = 1; i <= 3; ++i)
        p[k++] = LathePoint{-7.0f + 14.0f * i / 4, 6.5f};
    for (int i = 0; i <= 4; ++i) {
        float a = PI * 0.5f * i / 4;
        p[k++] = LathePoint{7.0f + 6.5f * std::sin(a), 6.5f * std::cos(a)};
    }
    p[k - 1].r = 0;
    AddLathe(m, p, k, 12, 0, 1, 1);
}

// The arrow of the setup screen, pointing to +x and centred on the origin.
void Arrow(MeshFile& m) {
    m.beginObject("arrow");
    m.useMaterial("select");
    const float shaft[] = {-10, -6, 0, -6, 0, 6, -10, 6};
    const float head[] = {0, -17, 10, 0, 0, 17};
    AddPrism(m, shaft, 4, 3, -10, -17, 10, 17);
    AddPrism(m, head, 3, 3, -10, -17, 10, 17);
}

} // namespace

bool WriteMeshes(const std::string& gameDir) {
    if (!UsableGameDir(gameDir)) return false;
    const std::string dir = gameDir + "/Mesh";
    if (!MakeDirs(dir)) return false;
    bool ok = true;
    {
        MeshFile m;
        Playground(m);
        ok = Save(m, dir, "playground.asc") && ok;
    }
    for (int k = 0; k < 12; ++k) {
        MeshFile m;
        Brick(m, k);
        char name[32];
        snprintf(name, sizeof name, "brique%d.asc", k + 1);
        ok = Save(m, dir, name) && ok;
    }
    {
        MeshFile m;
        Ball(m);
        ok = Save(m, dir, "boule.asc") && ok;
    }
    {
        MeshFile m;
        Bumper(m);
        ok = Save(m, dir, "bumper.asc") && ok;
    }
    {
        // The logo object: the intro gives it the logo texture itself.
        MeshFile m;
        m.beginObject("logo");
        m.useMaterial("plaque");
        AddBevelSlab(m, 48, 19, 3, 2, 2, 2, 0, LOGO_STAND_V, 1, 1);
        // A round stand turning with the sign: seen from above it lies
        // under the intro's black captions whatever the sign's angle, and
        // it takes the light strip at the foot of the logo picture.
        const int segments = 48;
        const int centre = m.addVertex(0, LOGO_STAND_Y, 0, 0.5f, LOGO_STAND_V * 0.5f);
        int first = -1, previous = -1;
        for (int i = 0; i < segments; ++i) {
            const float a = 2 * PI * i / segments;
            const int v = m.addVertex(LOGO_STAND_RADIUS * std::cos(a), LOGO_STAND_Y,
                                      LOGO_STAND_RADIUS * std::sin(a), 0.5f, LOGO_STAND_V * 0.5f);
            if (previous >= 0) m.addTri(centre, previous, v);
            if (first < 0) first = v;
            previous = v;
        }
        m.addTri(centre, previous, first);
        ok = Save(m, dir, "orvi.asc") && ok;
    }
    {
        MeshFile m;
        m.beginObject("box");
        m.useMaterial("menubox");
        AddBevelSlab(m, 95, 106, 4, 9, 24, 3);
        ok = Save(m, dir, "menubox.asc") && ok;
    }
    for (const char* board : {"arcade", "jungle", "ocean", "street"}) {
        MeshFile m;
        m.beginObject(board);
        m.useMaterial(board);
        AddBevelSlab(m, 63, 63, 5, 5, 5, 4);
        ok = Save(m, dir, std::string(board) + ".asc") && ok;
    }
    {
        MeshFile m;
        ShipHull(m);
        ok = Save(m, dir, "raquette.asc") && ok;
    }
    {
        MeshFile m;
        ShipHull(m);
        Cannons(m);
        ok = Save(m, dir, "raquette_fire.asc") && ok;
    }
    {
        MeshFile m;
        Missile(m);
        ok = Save(m, dir, "missile.asc") && ok;
    }
    {
        MeshFile m;
        Arrow(m);
        ok = Save(m, dir, "select.asc") && ok;
    }
    for (int n = 1; n <= 9; ++n) {
        MeshFile m;
        Capsule(m, n);
        char name[32];
        snprintf(name, sizeof name, "bonus%d.asc", n);
        ok = Save(m, dir, name) && ok;
    }
    {
        MeshFile m;
        m.beginObject("plate");
        m.useMaterial("plaque");
        AddBevelSlab(m, 112, 120, 3, 6, 16, 2);
        ok = Save(m, dir, "plaque.asc") && ok;
    }
    {
        MeshFile m;
        m.beginObject("splash");
        m.useMaterial("plaque");
        AddBevelSlab(m, 120, 90, 3, 6, 6, 2);
        ok = Save(m, dir, "splash.asc") && ok;
    }
    {
        MeshFile m;
        m.beginObject("cursor");
        m.useMaterial("cursor");
        AddQuadXY(m, -2.4f, -2.4f, 2.4f, 2.4f, 0);
        ok = Save(m, dir, "cursor.asc") && ok;
    }
    return ok;
}
