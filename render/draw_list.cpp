// The frame recorder: vertex arrays and a command list per frame, state
// changes sent only where a draw needs them, and the identical-frame check.
#include "render/draw_list.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <cstring>

namespace {

enum Op {
    OP_ENABLE = 1,
    OP_DISABLE,
    OP_BLEND_FUNC,
    OP_BIND,
    OP_COLOUR,
    OP_SCISSOR,
    OP_POLYGON_MODE,
    OP_MATRIX_MODE,
    OP_PUSH,
    OP_POP,
    OP_IDENTITY,
    OP_ORTHO,
    OP_TRANSLATE,
    OP_ROTATE,
    OP_SCALE,
    OP_CLEAR,
    OP_DRAW,
    OP_ALPHA_FUNC,
};

// Every field is written (zeros where unused), so two frames compare with
// memcmp.
struct Command {
    int32_t op;
    int32_t i[4];
    float f[6];
};

// The capabilities whose changes wait for the next draw.
const uint32_t TrackedCaps[] = {GL_TEXTURE_2D,    GL_DEPTH_TEST,    GL_BLEND,
                                GL_SCISSOR_TEST,  GL_LIGHTING,      GL_TEXTURE_GEN_S,
                                GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_ALPHA_TEST};
const int CAP_COUNT = sizeof(TrackedCaps) / sizeof(TrackedCaps[0]);

struct GlState {
    bool caps[CAP_COUNT];
    int32_t blendSrc, blendDst;
    int32_t alphaFunc;
    float alphaRef;
    uint32_t texture;
    float colour[4];
    bool colourKnown; // a draw with a colour array leaves the colour undefined
    int32_t scissor[4];
    int32_t polygon[2]; // front, back
};

Command Commands[2][MAX_FRAME_COMMANDS];
FrameVertex Vertices[2][MAX_FRAME_VERTICES];
int commandCounts[2];
int vertexCounts[2];
int drawCount = 0;
int recordList = 0; // the list being recorded; the other is the last presented

bool recording = false;
bool flushed = false;        // part of this frame already went to GL
bool presentedValid = false; // the other list holds what the screen shows
bool coversAll = false;      // this frame has painted every pixel

GlState want;    // what the drawing code has asked for
GlState emitted; // what GL will be in once the recorded commands have run
uint32_t matrixMode = GL_MODELVIEW;
int32_t viewport[4];
int pendingVertices = 0; // start of the corners handed out by DlVertices

int CapIndex(uint32_t cap) {
    for (int i = 0; i < CAP_COUNT; ++i)
        if (TrackedCaps[i] == cap) return i;
    return -1;
}

void ReadGlState(GlState* state) {
    for (int i = 0; i < CAP_COUNT; ++i)
        state->caps[i] = glIsEnabled(TrackedCaps[i]) == GL_TRUE;
    glGetIntegerv(GL_BLEND_SRC, &state->blendSrc);
    glGetIntegerv(GL_BLEND_DST, &state->blendDst);
    glGetIntegerv(GL_ALPHA_TEST_FUNC, &state->alphaFunc);
    glGetFloatv(GL_ALPHA_TEST_REF, &state->alphaRef);
    GLint texture = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
    state->texture = static_cast<uint32_t>(texture);
    glGetFloatv(GL_CURRENT_COLOR, state->colour);
    state->colourKnown = true;
    glGetIntegerv(GL_SCISSOR_BOX, state->scissor);
    glGetIntegerv(GL_POLYGON_MODE, state->polygon);
    GLint mode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    matrixMode = static_cast<uint32_t>(mode);
    glGetIntegerv(GL_VIEWPORT, viewport);
}

void Run(const Command& c) {
    switch (c.op) {
    case OP_ENABLE:
        glEnable(static_cast<GLenum>(c.i[0]));
        break;
    case OP_DISABLE:
        glDisable(static_cast<GLenum>(c.i[0]));
        break;
    case OP_BLEND_FUNC:
        glBlendFunc(static_cast<GLenum>(c.i[0]), static_cast<GLenum>(c.i[1]));
        break;
    case OP_ALPHA_FUNC:
        glAlphaFunc(static_cast<GLenum>(c.i[0]), c.f[0]);
        break;
    case OP_BIND:
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(c.i[0]));
        break;
    case OP_COLOUR:
        glColor4f(c.f[0], c.f[1], c.f[2], c.f[3]);
        break;
    case OP_SCISSOR:
        glScissor(c.i[0], c.i[1], c.i[2], c.i[3]);
        break;
    case OP_POLYGON_MODE:
        glPolygonMode(static_cast<GLenum>(c.i[0]), static_cast<GLenum>(c.i[1]));
        break;
    case OP_MATRIX_MODE:
        glMatrixMode(static_cast<GLenum>(c.i[0]));
        break;
    case OP_PUSH:
        glPushMatrix();
        break;
    case OP_POP:
        glPopMatrix();
        break;
    case OP_IDENTITY:
        glLoadIdentity();
        break;
    case OP_ORTHO:
        glOrtho(c.f[0], c.f[1], c.f[2], c.f[3], c.f[4], c.f[5]);
        break;
    case OP_TRANSLATE:
        glTranslatef(c.f[0], c.f[1], c.f[2]);
        break;
    case OP_ROTATE:
        glRotatef(c.f[0], c.f[1], c.f[2], c.f[3]);
        break;
    case OP_SCALE:
        glScalef(c.f[0], c.f[1], c.f[2]);
        break;
    case OP_CLEAR:
        glClear(static_cast<GLbitfield>(c.i[0]));
        break;
    case OP_DRAW:
        glDrawArrays(static_cast<GLenum>(c.i[0]), c.i[1], c.i[2]);
        break;
    default:
        break;
    }
}

void PointArraysAt(const FrameVertex* base) {
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, sizeof(FrameVertex), &base->u);
    glColorPointer(4, GL_FLOAT, sizeof(FrameVertex), &base->r);
    glVertexPointer(3, GL_FLOAT, sizeof(FrameVertex), &base->x);
}

void UnpointArrays() {
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

// Sends the recorded list to GL.
void Replay() {
    const Command* list = Commands[recordList];
    const FrameVertex* base = Vertices[recordList];
    const int count = commandCounts[recordList];
    if (count == 0) return;
    PointArraysAt(base);
    for (int n = 0; n < count; ++n)
        Run(list[n]);
    UnpointArrays();
}

// Sends the list so far to GL and starts it again; the frame can no longer
// be skipped. Corners handed out but not yet drawn stay where they are.
void ReplayAndRestart() {
    const bool was = recording;
    recording = false;
    Replay();
    recording = was;
    commandCounts[recordList] = 0;
    vertexCounts[recordList] = 0;
    flushed = true;
    presentedValid = false;
}

void Append(const Command& c) {
    if (!recording) {
        Run(c);
        return;
    }
    if (commandCounts[recordList] >= MAX_FRAME_COMMANDS) ReplayAndRestart();
    Commands[recordList][commandCounts[recordList]++] = c;
}

Command Make(int32_t op) {
    Command c;
    std::memset(&c, 0, sizeof(c));
    c.op = op;
    return c;
}

void AppendInts(int32_t op, int32_t a, int32_t b = 0, int32_t c = 0, int32_t d = 0) {
    Command command = Make(op);
    command.i[0] = a;
    command.i[1] = b;
    command.i[2] = c;
    command.i[3] = d;
    Append(command);
}

void AppendFloats(int32_t op, float a, float b, float c, float d = 0, float e = 0, float f = 0) {
    Command command = Make(op);
    command.f[0] = a;
    command.f[1] = b;
    command.f[2] = c;
    command.f[3] = d;
    command.f[4] = e;
    command.f[5] = f;
    Append(command);
}

// Brings emitted up to want, one command per difference; the colour only
// when asked (draws carry their own).
void EmitState(bool withColour) {
    for (int i = 0; i < CAP_COUNT; ++i) {
        if (want.caps[i] == emitted.caps[i]) continue;
        AppendInts(want.caps[i] ? OP_ENABLE : OP_DISABLE, static_cast<int32_t>(TrackedCaps[i]));
        emitted.caps[i] = want.caps[i];
    }
    if (want.blendSrc != emitted.blendSrc || want.blendDst != emitted.blendDst) {
        AppendInts(OP_BLEND_FUNC, want.blendSrc, want.blendDst);
        emitted.blendSrc = want.blendSrc;
        emitted.blendDst = want.blendDst;
    }
    if (want.alphaFunc != emitted.alphaFunc || want.alphaRef != emitted.alphaRef) {
        Command command = Make(OP_ALPHA_FUNC);
        command.i[0] = want.alphaFunc;
        command.f[0] = want.alphaRef;
        Append(command);
        emitted.alphaFunc = want.alphaFunc;
        emitted.alphaRef = want.alphaRef;
    }
    if (want.texture != emitted.texture) {
        AppendInts(OP_BIND, static_cast<int32_t>(want.texture));
        emitted.texture = want.texture;
    }
    if (std::memcmp(want.scissor, emitted.scissor, sizeof(want.scissor)) != 0) {
        AppendInts(OP_SCISSOR, want.scissor[0], want.scissor[1], want.scissor[2], want.scissor[3]);
        std::memcpy(emitted.scissor, want.scissor, sizeof(want.scissor));
    }
    if (want.polygon[0] != emitted.polygon[0]) {
        AppendInts(OP_POLYGON_MODE, GL_FRONT, want.polygon[0]);
        emitted.polygon[0] = want.polygon[0];
    }
    if (want.polygon[1] != emitted.polygon[1]) {
        AppendInts(OP_POLYGON_MODE, GL_BACK, want.polygon[1]);
        emitted.polygon[1] = want.polygon[1];
    }
    if (withColour &&
        (!emitted.colourKnown || std::memcmp(want.colour, emitted.colour, sizeof(want.colour)))) {
        AppendFloats(OP_COLOUR, want.colour[0], want.colour[1], want.colour[2], want.colour[3]);
        std::memcpy(emitted.colour, want.colour, sizeof(want.colour));
        emitted.colourKnown = true;
    }
}

// Everything asked for so far reaches GL, then the lists start again.
void FlushNow() {
    EmitState(true);
    ReplayAndRestart();
    pendingVertices = 0;
}

} // namespace

void BeginFrameRecord() {
    ReadGlState(&want);
    emitted = want;
    commandCounts[recordList] = 0;
    vertexCounts[recordList] = 0;
    pendingVertices = 0;
    drawCount = 0;
    flushed = false;
    coversAll = false;
    recording = true;
}

bool EndFrameRecord(bool mustPresent) {
    if (!recording) return true;
    EmitState(true);
    recording = false;
    const int other = 1 - recordList;
    const int commands = commandCounts[recordList];
    const int vertices = vertexCounts[recordList];
    if (!mustPresent && !flushed && coversAll && presentedValid &&
        commands == commandCounts[other] && vertices == vertexCounts[other] &&
        std::memcmp(Commands[recordList], Commands[other], sizeof(Command) * commands) == 0 &&
        std::memcmp(Vertices[recordList], Vertices[other], sizeof(FrameVertex) * vertices) == 0) {
        return false;
    }
    Replay();
    presentedValid = !flushed;
    recordList = other;
    return true;
}

void FlushFrameRecord() {
    if (recording) FlushNow();
}

void ResyncFrameRecord() {
    if (!recording) return;
    ReadGlState(&want);
    emitted = want;
}

void ForgetPresentedFrame() {
    presentedValid = false;
}

bool FrameRecording() {
    return recording;
}

void DlEnable(uint32_t cap) {
    const int i = CapIndex(cap);
    if (!recording || i < 0) {
        if (i >= 0) want.caps[i] = emitted.caps[i] = true;
        AppendInts(OP_ENABLE, static_cast<int32_t>(cap));
        return;
    }
    want.caps[i] = true;
}

void DlDisable(uint32_t cap) {
    const int i = CapIndex(cap);
    if (!recording || i < 0) {
        if (i >= 0) want.caps[i] = emitted.caps[i] = false;
        AppendInts(OP_DISABLE, static_cast<int32_t>(cap));
        return;
    }
    want.caps[i] = false;
}

bool DlIsEnabled(uint32_t cap) {
    const int i = CapIndex(cap);
    if (!recording || i < 0) return glIsEnabled(cap) == GL_TRUE;
    return want.caps[i];
}

void DlBlendFunc(uint32_t src, uint32_t dst) {
    if (!recording) {
        glBlendFunc(src, dst);
        return;
    }
    want.blendSrc = static_cast<int32_t>(src);
    want.blendDst = static_cast<int32_t>(dst);
}

void DlAlphaFunc(uint32_t func, float ref) {
    if (!recording) {
        glAlphaFunc(func, ref);
        return;
    }
    want.alphaFunc = static_cast<int32_t>(func);
    want.alphaRef = ref;
}

void DlGetBlendFunc(int32_t* src, int32_t* dst) {
    if (!recording) {
        glGetIntegerv(GL_BLEND_SRC, src);
        glGetIntegerv(GL_BLEND_DST, dst);
        return;
    }
    *src = want.blendSrc;
    *dst = want.blendDst;
}

void DlBindTexture(uint32_t name) {
    if (!recording) {
        glBindTexture(GL_TEXTURE_2D, name);
        return;
    }
    want.texture = name;
}

void DlColor(float r, float g, float b, float a) {
    want.colour[0] = r;
    want.colour[1] = g;
    want.colour[2] = b;
    want.colour[3] = a;
    if (!recording) glColor4f(r, g, b, a);
}

void DlScissor(int x, int y, int width, int height) {
    if (!recording) {
        glScissor(x, y, width, height);
        return;
    }
    want.scissor[0] = x;
    want.scissor[1] = y;
    want.scissor[2] = width;
    want.scissor[3] = height;
}

void DlPolygonMode(uint32_t face, uint32_t mode) {
    if (!recording) {
        glPolygonMode(face, mode);
        return;
    }
    if (face == GL_FRONT || face == GL_FRONT_AND_BACK) want.polygon[0] = static_cast<int32_t>(mode);
    if (face == GL_BACK || face == GL_FRONT_AND_BACK) want.polygon[1] = static_cast<int32_t>(mode);
}

void DlGetPolygonMode(int32_t modes[2]) {
    if (!recording) {
        glGetIntegerv(GL_POLYGON_MODE, modes);
        return;
    }
    modes[0] = want.polygon[0];
    modes[1] = want.polygon[1];
}

void DlMatrixMode(uint32_t mode) {
    matrixMode = mode;
    AppendInts(OP_MATRIX_MODE, static_cast<int32_t>(mode));
}

uint32_t DlGetMatrixMode() {
    if (!recording) {
        GLint mode = GL_MODELVIEW;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        return static_cast<uint32_t>(mode);
    }
    return matrixMode;
}

void DlGetViewport(int32_t out[4]) {
    if (!recording) {
        glGetIntegerv(GL_VIEWPORT, out);
        return;
    }
    std::memcpy(out, viewport, sizeof(viewport));
}

void DlPushMatrix() {
    AppendInts(OP_PUSH, 0);
}

void DlPopMatrix() {
    AppendInts(OP_POP, 0);
}

void DlLoadIdentity() {
    AppendInts(OP_IDENTITY, 0);
}

void DlOrtho(float left, float right, float bottom, float top, float nearZ, float farZ) {
    AppendFloats(OP_ORTHO, left, right, bottom, top, nearZ, farZ);
}

void DlTranslate(float x, float y, float z) {
    AppendFloats(OP_TRANSLATE, x, y, z);
}

void DlRotate(float angle, float x, float y, float z) {
    AppendFloats(OP_ROTATE, angle, x, y, z);
}

void DlScale(float x, float y, float z) {
    AppendFloats(OP_SCALE, x, y, z);
}

void DlCoversWholePicture() {
    coversAll = true;
}

void DlClear(uint32_t mask) {
    // A scissored clear leaves the rest as it was.
    if ((mask & GL_COLOR_BUFFER_BIT) != 0 && !DlIsEnabled(GL_SCISSOR_TEST)) coversAll = true;
    EmitState(false);
    AppendInts(OP_CLEAR, static_cast<int32_t>(mask));
}

FrameVertex* DlVertices(int count) {
    if (count > MAX_FRAME_VERTICES) count = MAX_FRAME_VERTICES;
    if (!recording) {
        // Straight through: the corners are drawn from the start of the array.
        pendingVertices = 0;
    } else {
        if (vertexCounts[recordList] + count > MAX_FRAME_VERTICES) FlushNow();
        pendingVertices = vertexCounts[recordList];
    }
    FrameVertex* out = &Vertices[recordList][pendingVertices];
    for (int n = 0; n < count; ++n) {
        out[n].r = want.colour[0];
        out[n].g = want.colour[1];
        out[n].b = want.colour[2];
        out[n].a = want.colour[3];
    }
    return out;
}

void DlDraw(uint32_t mode, int count) {
    if (count <= 0) return;
    ++drawCount;
    if (!recording) {
        const FrameVertex* base = &Vertices[recordList][0];
        PointArraysAt(base);
        glDrawArrays(mode, 0, count);
        UnpointArrays();
        // The colour array leaves the current colour undefined.
        glColor4f(want.colour[0], want.colour[1], want.colour[2], want.colour[3]);
        return;
    }
    EmitState(false);
    // Right after a draw of the same kind that ends where these corners
    // start, with no state change between: one draw for both.
    const int n = commandCounts[recordList];
    Command* last = n > 0 ? &Commands[recordList][n - 1] : nullptr;
    if (last != nullptr && last->op == OP_DRAW && last->i[0] == static_cast<int32_t>(mode) &&
        last->i[1] + last->i[2] == pendingVertices) {
        last->i[2] += count;
        --drawCount;
    } else {
        AppendInts(OP_DRAW, static_cast<int32_t>(mode), pendingVertices, count);
    }
    vertexCounts[recordList] = pendingVertices + count;
    emitted.colourKnown = false;
}

int FrameCommandCount() {
    return commandCounts[1 - recordList];
}

int FrameVertexCount() {
    return vertexCounts[1 - recordList];
}

int FrameDrawCount() {
    return drawCount;
}
