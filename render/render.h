// Rendering: the Targa texture table, the mesh table read from ASCII scene
// files, the two cameras and the scene passes. This header pulls in no GL or
// SDL header, so the gameplay rules can include it; only render/*.cpp talk
// to OpenGL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// ---------------------------------------------------------------------------
// Textures
// ---------------------------------------------------------------------------

enum {
    MAX_TEXTURES = 64, // index 0 is never handed out, so 63 loads per reset
};

// What LoadTarga returns instead of an index when a file is refused. Callers
// store and bind these like any other index.
enum {
    TGA_FILE_NOT_FOUND = 13,
    TGA_BAD_IMAGE_TYPE = 14,
    TGA_BAD_DIMENSION = 15,
    TGA_BAD_BITS = 16,
    TGA_BAD_DATA = 17,
    TGA_TABLE_FULL = 18, // more than 63 loads since the last LoadTextures
};

enum {
    TGA_HEADER_SIZE = 18,
    TGA_MAX_SIDE = 512,
};

extern uint32_t TextureNames[MAX_TEXTURES]; // GL names by texture index
extern int textureCount;                    // last index handed out, 0 after a reset
extern uint32_t TextureUploadFormat;        // GL_RGBA or GL_ALPHA of the last conversion
// The glyph sheet's outline copy that small coloured text is drawn from
// (render/text.cpp makes it); deleted and zeroed with the loaded textures.
extern uint32_t FontOutlineName;

// The fixed interface textures, in load order.
extern int FontTexture;
extern int IntroTexture;
extern int SplashTexture;
extern int LogoTexture;
extern int MiniSplashLeftTexture;
extern int MiniSplashRightTexture;
extern int EpisodeBackground[4]; // by episode number: 0 arcade, 1 jungle, 2 ocean, 3 street

// A decoded image, ready for upload: width x height pixels of 4 bytes (RGBA)
// or 1 byte (alpha) as format says. pixels is malloc'd; FreeTargaImage frees it.
struct TargaImage {
    int width;
    int height;
    int depth;       // bits per pixel in the file: 8, 24 or 32
    int idLength;    // bytes of image ID between the header and the pixels
    uint32_t format; // GL_RGBA or GL_ALPHA
    uint8_t* pixels;
};

// Checks the 18 header bytes; 0 when the image can be read, else 14, 15 or 16.
int ReadTargaHeader(const uint8_t* header, TargaImage* image);
// Opacity of a 24-bit pixel: 0 when near black, else (r + g + b) ^ 2 over 3.
uint8_t TargaAlpha(uint8_t red, uint8_t green, uint8_t blue);
// Decodes a whole file held in memory (no GL needed: the fuzz target and the
// tests call it). Returns 0 with image->pixels set, or 14..17.
int DecodeTarga(const uint8_t* bytes, size_t size, TargaImage* image);
void FreeTargaImage(TargaImage* image);

// Loads one Targa file (path relative to the game directory) into a new GL
// texture with repeat wrap and linear filters. Returns its index 1..63 or an
// error code, logged with the path. Without a current GL context the index is
// handed out but nothing is uploaded.
int LoadTarga(const char* path);

// Frees the material slots, deletes the GL textures of the previous load
// (when they belong to the current context), restarts the indexes, builds
// the glyph table and loads the fixed textures.
void LoadTextures();
// The intro's two pictures leave GL when the intro is left (their indexes
// stay, under the name 0) and stay out of later loads; entering the intro
// again puts them back from their files.
void ReleaseIntroTextures();
void RestoreIntroTextures();

// ---------------------------------------------------------------------------
// Meshes
// ---------------------------------------------------------------------------

enum {
    MAX_MESHES = 64,
    MAX_MESH_VERTICES = 512,                 // per file
    MAX_MESH_FACES = 512,                    // per mesh
    MAX_MESH_MATERIALS = MAX_MESH_FACES + 1, // entry f + 1 belongs to face f
    MAX_MATERIAL_SLOTS = 64,
    MATERIAL_NAME_SIZE = 52,
    MATERIAL_NAME_BLANKS = 50, // the part of a name field blank-filled at a reset
    ASC_LINE_SIZE = 100,
};

// Mesh numbers; objects spawned from a mesh take its number as their type,
// except bricks (type 35) and capsules (type 6).
enum {
    MESH_LOGO = 1,
    MESH_BALL = 2,
    MESH_SHIP = 3,
    MESH_SHIP_CANNONS = 4,
    MESH_SELECTOR = 5,
    MESH_BONUS_FIRST = 7, // bonus1.asc .. bonus9.asc are 7 .. 15
    MESH_BONUS_LAST = 15,
    MESH_BALL_SECOND = 23,
    MESH_CURSOR = 24,
    MESH_MISSILE = 25,
    MESH_MENU_BOX = 26,
    MESH_ARCADE = 27,
    MESH_JUNGLE = 28,
    MESH_OCEAN = 29,
    MESH_STREET = 30,
    MESH_PLAYGROUND = 31,
    MESH_PLATE = 32,
    MESH_BUMPER = 33,
    MESH_SPLASH = 34,
    MESH_BRICK_FIRST = 36, // brique1.asc .. brique12.asc are 36 .. 47
    MESH_BRICK_LAST = 47,
};

// Entity types that are not mesh numbers.
enum {
    TYPE_CAPSULE = 6,
    TYPE_BRICK = 35,
    TYPE_CURSOR = MESH_CURSOR,
    TYPE_MISSILE = MESH_MISSILE,
};

struct MeshVertex {
    float x, y, z, u, v;
};

// One textured triangle. The reader fills vertex only; spawning an object
// fills the rest of its own copy.
struct MeshFace {
    MeshVertex vertex[3]; // corners A, B, C
    int32_t texture;      // texture index
    int32_t texture2;     // equal to texture; no drawing step reads it
    uint8_t additive;     // blended additively at alpha = the object's life
    uint8_t lookFlag0;    // copied from the look's flags[0]; unused in drawing
    uint8_t envMap;       // texture coordinates generated by GL
    uint8_t lookFlag2;    // copied from the look's flags[2]; unused in drawing
    uint8_t tinted;       // drawn in tint instead of white
    float tint[3];
};

struct Mesh {
    int32_t faceCount;
    MeshFace faces[MAX_MESH_FACES];
    int32_t materials[MAX_MESH_MATERIALS]; // texture of face f in entry f + 1
};

struct MaterialTexture {
    uint8_t inUse;
    int32_t texture;
    char name[MATERIAL_NAME_SIZE]; // "<material>.tga", blank-filled, no terminator
};

extern Mesh MeshTable[MAX_MESHES];
extern MaterialTexture MaterialTextureTable[MAX_MATERIAL_SLOTS];
extern MeshVertex MeshVertexPool[MAX_MESH_VERTICES]; // scratch of the file being read
extern int meshVertexCount;

// Episode texture directories, by episode number.
extern const char* const EpisodeTextureDirs[4];

// Reads one ASCII mesh file (relative to the game directory) into mesh slot
// meshId; materials are loaded from the current episode's directory. A missing
// file leaves the slot with 0 faces. Input beyond the tables is skipped with
// one "Error" log line naming the file.
void LoadAscMesh(const char* fileName, int meshId);
// The same reader on an open stream; name is only used in log lines.
void ReadAscMesh(std::FILE* file, const char* name, int meshId);

// The complete reload: scene reset, LoadTextures, the 39 mesh loads.
void LoadMeshTable();

// Start-up: reads and decodes the files of the next LoadMeshTable (the
// current episode's) on a worker while the window is being made. The loads
// take their files from it, upload and log as ever, in the same order.
// End waits for the worker and drops whatever no load took. Without a
// thread to spare, or for a file it does not hold, a load reads the file.
void BeginPreloadingMeshTable();
void EndPreloadingMeshTable();

// ---------------------------------------------------------------------------
// Cameras
// ---------------------------------------------------------------------------

struct Camera {
    float rotation[3]; // degrees about x, y, z
    float translation[3];
    float scale[3];
};

enum {
    CAMERA_MENU = 0,
    CAMERA_PLAY = 1,
    MAX_CAMERAS = 2,
};

extern Camera Cameras[MAX_CAMERAS];
extern int CurrentCamera;

// Both cameras from the ViewAngle setting (0, -25 or -50).
void InitCameras();
void InitCamerasForViewAngle(int viewAngle);
// Loads the modelview matrix of CurrentCamera.
void ApplyCamera();

// The perspective of every 3D view, loaded by SetProjection: the frustum's
// half sides at the near plane (0.055 x 0.04125 at 0.1, far plane 100).
extern const double FrustumHalfWidth;
extern const double FrustumHalfHeight;
extern const double FrustumNear;
extern const double FrustumFar;

// Where a world point (object space before the scene's depth shift, as
// entity positions are given) is seen through CurrentCamera: pixels of the
// game's W x H picture from its top left, as mouse positions are measured.
// False when the point is not in front of the eye.
bool WorldToScreen(const float world[3], float* x, float* y);
// The point of the plane z = planeZ seen at pixel (x, y); false when that
// line of sight does not meet the plane in front of the eye.
bool ScreenToWorld(float x, float y, float planeZ, float world[3]);
// The pixel rectangle the object's faces cover through CurrentCamera:
// rect = left, top, right, bottom. Like the game's boxes it leaves out the
// object's rotation, so a board spinning under the pointer stays pointed
// at. False for a dead slot or an object without faces.
bool EntityScreenRect(int slot, float rect[4]);

// ---------------------------------------------------------------------------
// Scene drawing
// ---------------------------------------------------------------------------

// Set when the intro is entered and on every frame of name entry, cleared by
// the main menu and the quit screen: outside play it makes DrawScene clear
// the colour buffer.
extern bool MenuClear;

// The texture-sorted pass over the live objects, then UpdateEntity on each
// unless moveObjects is false (a paused game shows its field standing still).
void DrawScene(bool moveObjects = true);
// The first live cursor object, on top of everything; nothing without one.
void DrawCursor();
// One textured rectangle on the 640 x 480 virtual screen, origin lower left.
void DrawQuad2D(int texture, int x, int y, int width, int height, bool blend);
// The three pictures behind the menu screens.
void DrawMenuBackground();

// ---------------------------------------------------------------------------
// Intro screen
// ---------------------------------------------------------------------------

// The spinning intro plate and logo; camera 0, GameState = GS_INTRO.
void EnterIntro();
