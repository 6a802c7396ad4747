// The cameras and the scene passes: texture-sorted objects, cursor, 2D quads.
#include "render/render.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <cmath>

#include "gameplay/entity.h"
#include "render/draw_list.h"
#include "shell/game_state.h"
#include "shell/shell.h"

Camera Cameras[MAX_CAMERAS];
int CurrentCamera = CAMERA_MENU;
bool MenuClear = false;

// A 90 degree field of view at 4:3, narrowed to 0.55 of its width.
const double FrustumNear = 0.1;
const double FrustumFar = 100.0;
const double FrustumHalfWidth = std::tan(90.0 * 0.5 * M_PI / 180.0) * FrustumNear * (double)0.55f;
const double FrustumHalfHeight = FrustumHalfWidth / (double)(4.0f / 3.0f);

namespace {

// Objects are drawn this far behind the eye, so z = 0 is at depth 5.
const float SCENE_DEPTH = 5.0f;

void SetCamera(Camera* camera, float rx, float sx, float sy, float sz, float ty) {
    camera->rotation[0] = rx;
    camera->rotation[1] = 0.0f;
    camera->rotation[2] = 0.0f;
    camera->translation[0] = 0.0f;
    camera->translation[1] = ty;
    camera->translation[2] = 0.0f;
    camera->scale[0] = sx;
    camera->scale[1] = sy;
    camera->scale[2] = sz;
}

void PushObjectTransform(const Entity& e) {
    DlPushMatrix();
    DlTranslate(e.position[0], e.position[1], e.position[2] - SCENE_DEPTH);
    DlRotate(e.rotation[0], 1.0f, 0.0f, 0.0f);
    DlRotate(e.rotation[1], 0.0f, 1.0f, 0.0f);
    DlRotate(e.rotation[2], 0.0f, 0.0f, 1.0f);
    DlScale(e.scale[0], e.scale[1], e.scale[2]);
}

// One triangle into the frame's arrays in the current colour; triangles
// drawn one after another in the same state become one draw.
void DrawTriangle(const MeshFace& face) {
    FrameVertex* out = DlVertices(3);
    for (int c = 0; c < 3; ++c) {
        const MeshVertex& v = face.vertex[c];
        out[c].u = v.u;
        out[c].v = v.v;
        out[c].x = v.x;
        out[c].y = v.y;
        out[c].z = v.z;
    }
    DlDraw(GL_TRIANGLES, 3);
}

uint32_t TextureName(int texture) {
    if (texture < 0 || texture >= MAX_TEXTURES) return 0;
    return TextureNames[texture];
}

bool InPlay() {
    return GameState == GS_PLAYING || GameState == GS_STAGE_CLEARED || GameState == GS_LIFE_LOST ||
           GameState == GS_NEXT_STAGE;
}

// A drawable slot at draw-list position pos, or -1.
int LiveSlotAt(int pos) {
    const int slot = EntityDrawList[pos];
    if (slot < 0 || slot >= MAX_ENTITIES) return -1;
    if (EntityTable[slot].inUse != 1) return -1;
    return slot;
}

int LastListPosition() {
    return liveEntityCount < MAX_ENTITIES - 1 ? liveEntityCount : MAX_ENTITIES - 1;
}

// One face with its render effect, each state undone after it as the
// next face expects.
void DrawFace(const Entity& e, const MeshFace& face) {
    if (face.additive) {
        DlDisable(GL_DEPTH_TEST);
        DlEnable(GL_BLEND);
        DlBlendFunc(GL_SRC_ALPHA, GL_ONE);
        DlColor(1.0f, 1.0f, 1.0f, e.life);
    }
    if (face.tinted) DlColor(face.tint[0], face.tint[1], face.tint[2], 1.0f);
    if (face.envMap) {
        DlEnable(GL_TEXTURE_GEN_S);
        DlEnable(GL_TEXTURE_GEN_T);
        DlEnable(GL_TEXTURE_GEN_R);
    }
    DrawTriangle(face);
    if (face.tinted) DlColor(1.0f, 1.0f, 1.0f, 1.0f);
    if (face.envMap) {
        DlDisable(GL_TEXTURE_GEN_S);
        DlDisable(GL_TEXTURE_GEN_T);
        DlDisable(GL_TEXTURE_GEN_R);
    }
    if (face.additive) {
        DlDisable(GL_BLEND);
        DlEnable(GL_DEPTH_TEST);
        DlBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
}

const Camera& CurrentCameraData() {
    return Cameras[CurrentCamera == CAMERA_PLAY ? CAMERA_PLAY : CAMERA_MENU];
}

// v turned by `degrees` about one axis, as glRotatef turns it.
void Turn(double v[3], int axis, double degrees) {
    const double r = degrees * M_PI / 180.0, c = std::cos(r), s = std::sin(r);
    const int a = (axis + 1) % 3, b = (axis + 2) % 3;
    const double va = v[a], vb = v[b];
    v[a] = c * va - s * vb;
    v[b] = s * va + c * vb;
}

} // namespace

bool WorldToScreen(const float world[3], float* x, float* y) {
    const Camera& camera = CurrentCameraData();
    // The camera matrix is rotate x, y, z . translate . scale, applied to
    // the point after the scene's depth shift: innermost first.
    double v[3] = {world[0], world[1], world[2] - SCENE_DEPTH};
    for (int i = 0; i < 3; ++i)
        v[i] = v[i] * camera.scale[i] + camera.translation[i];
    Turn(v, 2, camera.rotation[2]);
    Turn(v, 1, camera.rotation[1]);
    Turn(v, 0, camera.rotation[0]);
    if (v[2] >= -FrustumNear * 1e-3) return false;
    const double ndcX = FrustumNear * v[0] / -v[2] / FrustumHalfWidth;
    const double ndcY = FrustumNear * v[1] / -v[2] / FrustumHalfHeight;
    *x = (float)((ndcX + 1.0) * 0.5 * ScreenWidth());
    *y = (float)((1.0 - ndcY) * 0.5 * ScreenHeight());
    return true;
}

bool ScreenToWorld(float x, float y, float planeZ, float world[3]) {
    const Camera& camera = CurrentCameraData();
    const double ndcX = 2.0 * x / ScreenWidth() - 1.0;
    const double ndcY = 1.0 - 2.0 * y / ScreenHeight();
    // The line of sight from the eye, taken back through the camera.
    double dir[3] = {ndcX * FrustumHalfWidth, ndcY * FrustumHalfHeight, -FrustumNear};
    Turn(dir, 0, -camera.rotation[0]);
    Turn(dir, 1, -camera.rotation[1]);
    Turn(dir, 2, -camera.rotation[2]);
    double from[3];
    for (int i = 0; i < 3; ++i) {
        if (camera.scale[i] == 0.0f) return false;
        from[i] = -camera.translation[i] / camera.scale[i];
        dir[i] /= camera.scale[i];
    }
    if (dir[2] == 0.0) return false;
    const double along = (planeZ - SCENE_DEPTH - from[2]) / dir[2];
    if (along <= 0.0) return false;
    world[0] = (float)(from[0] + along * dir[0]);
    world[1] = (float)(from[1] + along * dir[1]);
    world[2] = planeZ;
    return true;
}

bool EntityScreenRect(int slot, float rect[4]) {
    if (slot <= 0 || slot >= MAX_ENTITIES || EntityTable[slot].inUse != 1) return false;
    const Entity& e = EntityTable[slot];
    rect[0] = rect[1] = 1e30f;
    rect[2] = rect[3] = -1e30f;
    const int faces = e.faces != nullptr ? e.faceCount : 0;
    for (int i = 0; i < faces * 3; ++i) {
        const MeshVertex& v = e.faces[i / 3].vertex[i % 3];
        const float point[3] = {v.x * e.scale[0] + e.position[0], v.y * e.scale[1] + e.position[1],
                                v.z * e.scale[2] + e.position[2]};
        float x, y;
        if (!WorldToScreen(point, &x, &y)) return false;
        if (x < rect[0]) rect[0] = x;
        if (y < rect[1]) rect[1] = y;
        if (x > rect[2]) rect[2] = x;
        if (y > rect[3]) rect[3] = y;
    }
    return faces > 0;
}

void InitCamerasForViewAngle(int viewAngle) {
    SetCamera(&Cameras[CAMERA_MENU], 0.0f, 1.0f, 1.0f, 1.0f, 0.0f);
    Camera* play = &Cameras[CAMERA_PLAY];
    SetCamera(play, static_cast<float>(viewAngle), 3.0f, 3.0f, 3.0f, 0.0f);
    switch (viewAngle) {
    case -50:
        SetCamera(play, -50.0f, 5.0f, 7.6f, 3.0f, 28.5f);
        break;
    case -25:
        SetCamera(play, -25.0f, 3.0f, 2.9f, 3.0f, 8.7f);
        break;
    case 0:
        SetCamera(play, 0.0f, 2.4f, 2.2f, 3.0f, 0.0f);
        break;
    default:
        break;
    }
}

void InitCameras() {
    InitCamerasForViewAngle(ViewAngle);
}

void ApplyCamera() {
    const int index = CurrentCamera == CAMERA_PLAY ? CAMERA_PLAY : CAMERA_MENU;
    const Camera& camera = Cameras[index];
    DlMatrixMode(GL_MODELVIEW);
    DlLoadIdentity();
    DlRotate(camera.rotation[0], 1.0f, 0.0f, 0.0f);
    DlRotate(camera.rotation[1], 0.0f, 1.0f, 0.0f);
    DlRotate(camera.rotation[2], 0.0f, 0.0f, 1.0f);
    DlTranslate(camera.translation[0], camera.translation[1], camera.translation[2]);
    DlScale(camera.scale[0], camera.scale[1], camera.scale[2]);
}

// The faces of one frame sorted by texture, keeping draw-list order and
// face order inside each texture: (list position << 9) | face.
static uint32_t SceneFaces[MAX_ENTITIES * MAX_MESH_FACES];
static int SceneTextureStart[MAX_TEXTURES + 1];

void DrawScene(bool moveObjects) {
    DlEnable(GL_DEPTH_TEST);
    DlClear(GL_DEPTH_BUFFER_BIT);
    DlColor(1.0f, 1.0f, 1.0f, 1.0f);
    // In play the playfield covers the view, so the colour buffer is kept.
    if (!InPlay() && MenuClear) DlClear(GL_COLOR_BUFFER_BIT);

    const int lastTexture = textureCount < MAX_TEXTURES - 1 ? textureCount : MAX_TEXTURES - 1;
    const int lastPos = LastListPosition();
    // One pass to count the faces of each texture, one to place them: the
    // texture-major order without a pass over every object per texture.
    int counts[MAX_TEXTURES + 1] = {0};
    for (int pos = 0; pos <= lastPos; ++pos) {
        const int slot = LiveSlotAt(pos);
        if (slot < 0 || EntityTable[slot].type == TYPE_CURSOR) continue;
        const Entity& e = EntityTable[slot];
        for (int i = 0; i < e.faceCount && i < MAX_MESH_FACES; ++i) {
            const int t = e.faces[i].texture;
            if (t >= 0 && t <= lastTexture) ++counts[t];
        }
    }
    SceneTextureStart[0] = 0;
    for (int t = 0; t <= lastTexture; ++t)
        SceneTextureStart[t + 1] = SceneTextureStart[t] + counts[t];
    int fill[MAX_TEXTURES];
    for (int t = 0; t <= lastTexture; ++t)
        fill[t] = SceneTextureStart[t];
    for (int pos = 0; pos <= lastPos; ++pos) {
        const int slot = LiveSlotAt(pos);
        if (slot < 0 || EntityTable[slot].type == TYPE_CURSOR) continue;
        const Entity& e = EntityTable[slot];
        for (int i = 0; i < e.faceCount && i < MAX_MESH_FACES; ++i) {
            const int t = e.faces[i].texture;
            if (t >= 0 && t <= lastTexture)
                SceneFaces[fill[t]++] = (uint32_t)pos << 9 | (uint32_t)i;
        }
    }

    // Texture-major, so each texture is bound once per frame.
    for (int t = 0; t <= lastTexture; ++t) {
        DlBindTexture(TextureNames[t]);
        int shownPos = -1;
        for (int n = SceneTextureStart[t]; n < SceneTextureStart[t + 1]; ++n) {
            const int pos = (int)(SceneFaces[n] >> 9);
            const Entity& e = EntityTable[EntityDrawList[pos]];
            if (pos != shownPos) {
                if (shownPos >= 0) DlPopMatrix();
                PushObjectTransform(e);
                shownPos = pos;
            }
            DrawFace(e, e.faces[SceneFaces[n] & 511u]);
        }
        if (shownPos >= 0) DlPopMatrix();
    }

    // Moving after drawing: the frame shows the objects before this update.
    if (!moveObjects) return;
    for (int pos = 0; pos <= LastListPosition(); ++pos) {
        const int slot = LiveSlotAt(pos);
        if (slot >= 0) UpdateEntity(slot);
    }
}

void DrawCursor() {
    const int slot = FindEntity(TYPE_CURSOR, 1);
    if (slot == ENTITY_NONE) return;
    const Entity& e = EntityTable[slot];
    if (e.faceCount <= 0 || e.faces == nullptr) return;
    DlBindTexture(TextureName(e.faces[0].texture));
    PushObjectTransform(e);
    DlDisable(GL_DEPTH_TEST);
    DlEnable(GL_BLEND);
    DlBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    DlColor(1.0f, 1.0f, 1.0f, e.life);
    for (int i = 0; i < e.faceCount; ++i)
        DrawTriangle(e.faces[i]);
    DlDisable(GL_BLEND);
    DlEnable(GL_DEPTH_TEST);
    DlColor(1.0f, 1.0f, 1.0f, 1.0f);
    DlPopMatrix();
}

void DrawQuad2D(int texture, int x, int y, int width, int height, bool blend) {
    DlEnable(GL_TEXTURE_2D);
    DlDisable(GL_DEPTH_TEST);
    DlMatrixMode(GL_PROJECTION);
    DlPushMatrix();
    DlLoadIdentity();
    DlOrtho(0.0f, 640.0f, 0.0f, 480.0f, -100.0f, 100.0f);
    DlMatrixMode(GL_MODELVIEW);
    DlPushMatrix();
    DlLoadIdentity();
    if (blend) {
        DlEnable(GL_BLEND);
        DlBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    DlBindTexture(TextureName(texture));
    // Text leaves the last glyph's colour behind.
    DlColor(1.0f, 1.0f, 1.0f, 1.0f);
    const float left = static_cast<float>(x);
    const float bottom = static_cast<float>(y);
    const float right = static_cast<float>(x + width);
    const float top = static_cast<float>(y + height);
    FrameVertex* quad = DlVertices(4);
    const float corners[4][4] = {{0.0f, 0.0f, left, bottom},
                                 {0.0f, 1.0f, left, top},
                                 {1.0f, 1.0f, right, top},
                                 {1.0f, 0.0f, right, bottom}};
    for (int c = 0; c < 4; ++c) {
        quad[c].u = corners[c][0];
        quad[c].v = corners[c][1];
        quad[c].x = corners[c][2];
        quad[c].y = corners[c][3];
        quad[c].z = 0.0f;
    }
    DlDraw(GL_QUADS, 4);
    if (blend) DlDisable(GL_BLEND);
    DlMatrixMode(GL_PROJECTION);
    DlPopMatrix();
    DlMatrixMode(GL_MODELVIEW);
    DlPopMatrix();
    DlEnable(GL_DEPTH_TEST);
}

void DrawMenuBackground() {
    DrawQuad2D(MiniSplashLeftTexture, 0, 0, 64, 512, false);
    DrawQuad2D(MiniSplashRightTexture, 576, 0, 64, 512, false);
    DrawQuad2D(SplashTexture, 64, 0, 512, 512, false);
    // Three opaque quads side by side over the whole 640 x 480 screen.
    DlCoversWholePicture();
}
