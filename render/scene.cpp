// The cameras and the scene passes: texture-sorted objects, cursor, 2D quads.
#include "render/render.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include "gameplay/entity.h"
#include "shell/game_state.h"
#include "shell/shell.h"

Camera Cameras[MAX_CAMERAS];
int CurrentCamera = CAMERA_MENU;
bool MenuClear = false;

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
    glPushMatrix();
    glTranslatef(e.position[0], e.position[1], e.position[2] - SCENE_DEPTH);
    glRotatef(e.rotation[0], 1.0f, 0.0f, 0.0f);
    glRotatef(e.rotation[1], 0.0f, 1.0f, 0.0f);
    glRotatef(e.rotation[2], 0.0f, 0.0f, 1.0f);
    glScalef(e.scale[0], e.scale[1], e.scale[2]);
}

void DrawTriangle(const MeshFace& face) {
    glBegin(GL_TRIANGLES);
    for (int c = 0; c < 3; ++c) {
        const MeshVertex& v = face.vertex[c];
        glTexCoord2f(v.u, v.v);
        glVertex3f(v.x, v.y, v.z);
    }
    glEnd();
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

void DrawFacesOfTexture(const Entity& e, int texture) {
    bool pushed = false;
    for (int i = 0; i < e.faceCount; ++i) {
        const MeshFace& face = e.faces[i];
        if (face.texture != texture) continue;
        if (!pushed) {
            PushObjectTransform(e);
            pushed = true;
        }
        if (face.additive) {
            glDisable(GL_DEPTH_TEST);
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE);
            glColor4f(1.0f, 1.0f, 1.0f, e.life);
        }
        if (face.tinted) glColor4f(face.tint[0], face.tint[1], face.tint[2], 1.0f);
        if (face.envMap) {
            glEnable(GL_TEXTURE_GEN_S);
            glEnable(GL_TEXTURE_GEN_T);
            glEnable(GL_TEXTURE_GEN_R);
        }
        DrawTriangle(face);
        if (face.tinted) glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        if (face.envMap) {
            glDisable(GL_TEXTURE_GEN_S);
            glDisable(GL_TEXTURE_GEN_T);
            glDisable(GL_TEXTURE_GEN_R);
        }
        if (face.additive) {
            glDisable(GL_BLEND);
            glEnable(GL_DEPTH_TEST);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        }
    }
    if (pushed) glPopMatrix();
}

} // namespace

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
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(camera.rotation[0], 1.0f, 0.0f, 0.0f);
    glRotatef(camera.rotation[1], 0.0f, 1.0f, 0.0f);
    glRotatef(camera.rotation[2], 0.0f, 0.0f, 1.0f);
    glTranslatef(camera.translation[0], camera.translation[1], camera.translation[2]);
    glScalef(camera.scale[0], camera.scale[1], camera.scale[2]);
}

void DrawScene(bool moveObjects) {
    glEnable(GL_DEPTH_TEST);
    glClear(GL_DEPTH_BUFFER_BIT);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    // In play the playfield covers the view, so the colour buffer is kept.
    if (!InPlay() && MenuClear) glClear(GL_COLOR_BUFFER_BIT);

    const int lastTexture = textureCount < MAX_TEXTURES - 1 ? textureCount : MAX_TEXTURES - 1;
    // Texture-major, so each texture is bound once per frame.
    for (int t = 0; t <= lastTexture; ++t) {
        glBindTexture(GL_TEXTURE_2D, TextureNames[t]);
        for (int pos = 0; pos <= LastListPosition(); ++pos) {
            const int slot = LiveSlotAt(pos);
            if (slot < 0 || EntityTable[slot].type == TYPE_CURSOR) continue;
            DrawFacesOfTexture(EntityTable[slot], t);
        }
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
    glBindTexture(GL_TEXTURE_2D, TextureName(e.faces[0].texture));
    // The pointer floats in front of the menu plane, so drawn at its own x, y
    // the perspective would show it away from the point it hit-tests. Pull it
    // toward the axis so it covers the spot on the plane it points at.
    Entity shown = e;
    const float depth = SCENE_DEPTH - e.position[2];
    if (depth > 0.0f) {
        shown.position[0] = e.position[0] * depth / SCENE_DEPTH;
        shown.position[1] = e.position[1] * depth / SCENE_DEPTH;
    }
    PushObjectTransform(shown);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1.0f, 1.0f, 1.0f, e.life);
    for (int i = 0; i < e.faceCount; ++i)
        DrawTriangle(e.faces[i]);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glPopMatrix();
}

void DrawQuad2D(int texture, int x, int y, int width, int height, bool blend) {
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, 640.0, 0.0, 480.0, -100.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    if (blend) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    glBindTexture(GL_TEXTURE_2D, TextureName(texture));
    // Text leaves the last glyph's colour behind.
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    const float left = static_cast<float>(x);
    const float bottom = static_cast<float>(y);
    const float right = static_cast<float>(x + width);
    const float top = static_cast<float>(y + height);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(left, bottom);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(left, top);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(right, top);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(right, bottom);
    glEnd();
    if (blend) glDisable(GL_BLEND);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glEnable(GL_DEPTH_TEST);
}

void DrawMenuBackground() {
    DrawQuad2D(MiniSplashLeftTexture, 0, 0, 64, 512, false);
    DrawQuad2D(MiniSplashRightTexture, 576, 0, 64, 512, false);
    DrawQuad2D(SplashTexture, 64, 0, 512, 512, false);
}
