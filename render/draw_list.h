// The frame's drawing as data. Between BeginFrameRecord and EndFrameRecord
// the scene, the 2D quads and the text are not sent to GL as they are
// drawn: their vertices go into one array and the GL calls into a command
// list, state changes only where a draw needs them. At the end of the frame
// the list is compared with the last presented one; a byte-identical frame
// (the menus at rest) is neither drawn nor presented, the screen already
// shows it. Outside a recorded frame every call goes straight to GL.
//
// GL calls made by anything else while a frame is recorded must be fenced:
// FlushFrameRecord before them (so what was drawn before reaches GL first)
// and ResyncFrameRecord after them (they may have changed the state).
#pragma once

#include <cstdint>

enum {
    MAX_FRAME_VERTICES = 49152, // 16384 triangles
    MAX_FRAME_COMMANDS = 16384,
};

// One corner as the arrays hand it to GL: texture, colour, position.
struct FrameVertex {
    float u, v;
    float r, g, b, a;
    float x, y, z;
};

// Starts recording: reads the GL state once, empties the lists.
void BeginFrameRecord();
// Ends recording. Returns true when the frame has been sent to GL and must
// be presented, false when it equals the last presented frame (nothing sent:
// hold the picture). mustPresent forces the first answer.
bool EndFrameRecord(bool mustPresent);
// Says that what the frame has drawn so far covers every pixel opaquely, so
// its picture owes nothing to earlier frames. Only such frames are skipped.
void DlCoversWholePicture();
// Sends what is recorded so far to GL now; the frame will be presented.
void FlushFrameRecord();
// Reads the GL state again after GL calls made outside the list.
void ResyncFrameRecord();
// Forgets the last presented frame, so the next one is drawn (a new window,
// new textures).
void ForgetPresentedFrame();
bool FrameRecording();

// The GL calls the game draws with; recorded or sent straight through.
void DlEnable(uint32_t cap);
void DlDisable(uint32_t cap);
bool DlIsEnabled(uint32_t cap);
void DlBlendFunc(uint32_t src, uint32_t dst);
void DlGetBlendFunc(int32_t* src, int32_t* dst);
void DlAlphaFunc(uint32_t func, float ref);
void DlBindTexture(uint32_t name);
void DlColor(float r, float g, float b, float a);
void DlScissor(int x, int y, int width, int height);
void DlPolygonMode(uint32_t face, uint32_t mode);
void DlGetPolygonMode(int32_t modes[2]);
void DlMatrixMode(uint32_t mode);
uint32_t DlGetMatrixMode();
void DlGetViewport(int32_t viewport[4]);
void DlPushMatrix();
void DlPopMatrix();
void DlLoadIdentity();
void DlOrtho(float left, float right, float bottom, float top, float nearZ, float farZ);
void DlTranslate(float x, float y, float z);
void DlRotate(float angle, float x, float y, float z);
void DlScale(float x, float y, float z);
void DlClear(uint32_t mask);
// Room for count corners in the frame's array; fill them, then DlDraw. Never
// null: when the array is full the frame so far is flushed to GL first.
FrameVertex* DlVertices(int count);
// Draws the corners last taken from DlVertices (mode GL_TRIANGLES or
// GL_QUADS) in the current colour-free state: each corner carries its colour.
void DlDraw(uint32_t mode, int count);

// What the recorder kept of the last frame, for the tests and the bench.
int FrameCommandCount();
int FrameVertexCount();
int FrameDrawCount();
