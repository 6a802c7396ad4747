// The cameras and the scene passes: texture-sorted objects, cursor, 2D quads.
#include "render/render.h"

#include "gameplay/entity.h"

#include <SDL.h>
#include <SDL_opengl.h>

Camera Cameras[MAX_CAMERAS];
int CurrentCamera = CAMERA_MENU;
bool MenuClear = false;

void InitCamerasForViewAngle(int viewAngle) {
    (void)viewAngle;
}
void InitCameras() {}
void ApplyCamera() {}
void DrawScene() {}
void DrawCursor() {}
void DrawQuad2D(int texture, int x, int y, int width, int height, bool blend) {
    (void)texture;
    (void)x;
    (void)y;
    (void)width;
    (void)height;
    (void)blend;
}
void DrawMenuBackground() {}
