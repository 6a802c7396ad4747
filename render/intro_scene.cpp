// The intro screen: the picture plate and the maker's logo, both turning.
#include "render/render.h"

#include "gameplay/entity.h"
#include "shell/game_state.h"

void EnterIntro() {
    MenuClear = true;
    ClearEntities();
    RestoreIntroTextures();

    EntityTransform transform;
    EntityLook look;

    DefaultTransform(&transform);
    DefaultLook(&look);
    transform.position[0] = 0.0f;
    transform.position[1] = 1.2f;
    transform.position[2] = -1.4f;
    transform.scale[0] = 1.0f;
    transform.scale[1] = 0.5f;
    transform.scale[2] = 1.0f;
    transform.spin[1] = 0.5f;
    look.texture = static_cast<uint32_t>(IntroTexture);
    SpawnEntity(MESH_PLATE, transform, look);

    DefaultTransform(&transform);
    DefaultLook(&look);
    transform.position[1] = -0.4f;
    for (int axis = 0; axis < 3; ++axis)
        transform.scale[axis] = 2.5f;
    transform.spin[1] = 0.5f;
    look.texture = static_cast<uint32_t>(LogoTexture);
    SpawnEntity(MESH_LOGO, transform, look);

    CurrentCamera = CAMERA_MENU;
    ApplyCamera();
    GameState = GS_INTRO;
}
