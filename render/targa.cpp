// Uncompressed Targa files into GL textures, and the fixed interface set.
#include "render/render.h"
#include "render/render_local.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/platform.h"
#include "render/draw_list.h"
#include "render/text.h"
#include "shell/shell.h"

uint32_t TextureNames[MAX_TEXTURES];
int textureCount = 0;
uint32_t TextureUploadFormat = GL_RGBA;
uint32_t FontOutlineName = 0;

int FontTexture = 0;
int IntroTexture = 0;
int SplashTexture = 0;
int LogoTexture = 0;
int MiniSplashLeftTexture = 0;
int MiniSplashRightTexture = 0;
int EpisodeBackground[4] = {0, 0, 0, 0};

namespace {

bool PowerOfTwoSide(int side) {
    for (int p = 2; p <= TGA_MAX_SIDE; p *= 2) {
        if (side == p) return true;
    }
    return false;
}

size_t StoredBytes(const TargaImage& image) {
    return static_cast<size_t>(image.width) * static_cast<size_t>(image.height) *
           static_cast<size_t>(image.depth / 8);
}

// Converts the stored pixels at the front of image->pixels (a buffer of
// width x height x 4 bytes) into what GL takes, in place.
void ConvertPixels(TargaImage* image) {
    const size_t count = static_cast<size_t>(image->width) * static_cast<size_t>(image->height);
    uint8_t* p = image->pixels;
    if (image->depth == 32) {
        for (size_t i = 0; i < count; ++i) {
            uint8_t t = p[i * 4];
            p[i * 4] = p[i * 4 + 2];
            p[i * 4 + 2] = t;
        }
    } else if (image->depth == 24) {
        // Expanding from the back keeps every source pixel unread until used.
        for (size_t n = count; n-- > 0;) {
            const uint8_t blue = p[n * 3];
            const uint8_t green = p[n * 3 + 1];
            const uint8_t red = p[n * 3 + 2];
            p[n * 4] = red;
            p[n * 4 + 1] = green;
            p[n * 4 + 2] = blue;
            p[n * 4 + 3] = TargaAlpha(red, green, blue);
        }
    }
    // 8 bits stay as stored: an alpha texture.
}

} // namespace

uint8_t TargaAlpha(uint8_t red, uint8_t green, uint8_t blue) {
    const int sum = red + green + blue;
    if (sum < 10) return 0;
    // The exclusive-or is how our textures were always weighted; keep it.
    return static_cast<uint8_t>((sum ^ 2) / 3);
}

int ReadTargaHeader(const uint8_t* header, TargaImage* image) {
    image->idLength = header[0];
    const int colourMapType = header[1];
    const int imageType = header[2];
    image->width = header[12] | (header[13] << 8);
    image->height = header[14] | (header[15] << 8);
    image->depth = header[16];
    image->format = image->depth == 8 ? GL_ALPHA : GL_RGBA;
    image->pixels = nullptr;
    if (colourMapType != 0 || (imageType != 2 && imageType != 3)) return TGA_BAD_IMAGE_TYPE;
    if (!PowerOfTwoSide(image->width) || !PowerOfTwoSide(image->height)) return TGA_BAD_DIMENSION;
    if (image->depth != 32 && image->depth != 24 && image->depth != 8) return TGA_BAD_BITS;
    return 0;
}

int DecodeTarga(const uint8_t* bytes, size_t size, TargaImage* image) {
    std::memset(image, 0, sizeof(*image));
    if (size < TGA_HEADER_SIZE) return TGA_BAD_DATA;
    const int code = ReadTargaHeader(bytes, image);
    if (code != 0) return code;
    const size_t start = TGA_HEADER_SIZE + static_cast<size_t>(image->idLength);
    const size_t need = StoredBytes(*image);
    if (size < start || size - start < need) return TGA_BAD_DATA;
    const size_t bufferSize = static_cast<size_t>(image->width) * image->height * 4;
    image->pixels = static_cast<uint8_t*>(std::malloc(bufferSize));
    if (image->pixels == nullptr) return TGA_BAD_DATA;
    std::memcpy(image->pixels, bytes + start, need);
    ConvertPixels(image);
    return 0;
}

void FreeTargaImage(TargaImage* image) {
    std::free(image->pixels);
    image->pixels = nullptr;
}

namespace {

// The context the names in TextureNames belong to. A re-created window has
// taken its textures with its context, and the same numbers may already
// name something else in the new one.
SDL_GLContext TextureContext = nullptr;

// Whether the names in TextureNames belong to the current context, so GL
// calls on them reach the pictures they were given for.
bool NamesAreCurrent() {
    return TextureContext != nullptr && SDL_GL_GetCurrentContext() == TextureContext;
}

// Deletes the textures of the previous load, so a reload (every episode
// start) does not keep one more copy of every picture each time.
void DeleteLoadedTextures() {
    const int last = textureCount < MAX_TEXTURES - 1 ? textureCount : MAX_TEXTURES - 1;
    if (last > 0 && NamesAreCurrent()) {
        // Zeros (refused loads, no context) are ignored by GL.
        glDeleteTextures(last, reinterpret_cast<const GLuint*>(&TextureNames[1]));
        glDeleteTextures(1, reinterpret_cast<const GLuint*>(&FontOutlineName));
    }
    FontOutlineName = 0;
    for (int i = 0; i < MAX_TEXTURES; ++i)
        TextureNames[i] = 0;
}

// Uploads the pixels under index in internalFormat. Without a current
// context (tools, fuzzing, GL-free tests) nothing reaches GL.
void UploadTexture(int index, const TargaImage& image, int32_t internalFormat) {
    TextureNames[index] = 0;
    TextureUploadFormat = image.format;
    if (SDL_GL_GetCurrentContext() == nullptr) return;
    TextureContext = SDL_GL_GetCurrentContext();
    GLuint name = 0;
    glGenTextures(1, &name);
    TextureNames[index] = name;
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    // Alpha rows of odd widths are not 4-byte aligned.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, image.width, image.height, 0,
                 image.format, GL_UNSIGNED_BYTE, image.pixels);
}

int Refuse(int code, const char* path) {
    static const char* const names[] = {"TGA_FILE_NOT_FOUND", "TGA_BAD_IMAGE_TYPE",
                                        "TGA_BAD_DIMENSION",  "TGA_BAD_BITS",
                                        "TGA_BAD_DATA",       "TGA_TABLE_FULL"};
    logTagged(names[code - TGA_FILE_NOT_FOUND], path);
    return code;
}

} // namespace

int32_t TargaInternalFormat(const TargaImage& image) {
    // An image whose every alpha is 255 looks the same without its alpha,
    // so GL keeps only its colour; the rest keep what the file gave them.
    if (image.format != GL_RGBA) return static_cast<int32_t>(image.format);
    const size_t count = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
    for (size_t i = 0; i < count; ++i)
        if (image.pixels[i * 4 + 3] != 255) return GL_RGBA;
    return GL_RGB;
}

namespace {

// Opens a Targa file (read-only: installed data is not writable) and reads
// its header; 0 with *file open, or the TGA_* code with nothing left open.
int OpenTargaFile(const char* fullPath, TargaImage* image, std::FILE** file) {
    std::memset(image, 0, sizeof(*image));
    *file = std::fopen(fullPath, "rb");
    if (*file == nullptr) return TGA_FILE_NOT_FOUND;
    uint8_t header[TGA_HEADER_SIZE];
    int code = std::fread(header, 1, sizeof(header), *file) == sizeof(header)
                   ? ReadTargaHeader(header, image)
                   : TGA_BAD_DATA;
    if (code != 0) {
        std::fclose(*file);
        *file = nullptr;
    }
    return code;
}

// What ReadTargaFile would answer, without reading the pixels: the header
// and the file's length. image->format is the one the pixels would take.
int CheckTargaFile(const char* fullPath, TargaImage* image) {
    std::FILE* file = nullptr;
    const int code = OpenTargaFile(fullPath, image, &file);
    if (code != 0) return code;
    const long need = static_cast<long>(TGA_HEADER_SIZE + image->idLength + StoredBytes(*image));
    const bool ok = std::fseek(file, 0, SEEK_END) == 0 && std::ftell(file) >= need;
    std::fclose(file);
    return ok ? 0 : TGA_BAD_DATA;
}

} // namespace

int ReadTargaFile(const char* fullPath, TargaImage* image) {
    std::FILE* file = nullptr;
    const int code = OpenTargaFile(fullPath, image, &file);
    if (code != 0) return code;
    const size_t need = StoredBytes(*image);
    const size_t bufferSize = static_cast<size_t>(image->width) * image->height * 4;
    image->pixels = static_cast<uint8_t*>(std::malloc(bufferSize));
    bool ok = image->pixels != nullptr;
    // Pixels follow the image ID field.
    if (ok && image->idLength > 0)
        ok = std::fseek(file, TGA_HEADER_SIZE + image->idLength, SEEK_SET) == 0;
    if (ok) ok = std::fread(image->pixels, 1, need, file) == need;
    std::fclose(file);
    if (!ok) {
        FreeTargaImage(image);
        return TGA_BAD_DATA;
    }
    ConvertPixels(image);
    return 0;
}

namespace {

// LoadTarga; a picture no screen will show (upload false) takes its index
// and is checked the same way, but stays out of GL under the name 0. One
// that GL already holds under kept (the same file, loaded before) is
// checked the same way too and takes that name again.
int LoadTargaFor(const char* path, bool upload, uint32_t kept = 0) {
    logTagged("Loading: ", path);
    // Index 0 is never handed out, so 63 loads fit between two resets.
    if (textureCount >= MAX_TEXTURES - 1) return Refuse(TGA_TABLE_FULL, path);

    TargaImage image;
    int code = 0;
    int32_t internalFormat = 0;
    if (!upload || kept != 0) {
        code = CheckTargaFile(pathJoin(path), &image);
        if (code != 0) return Refuse(code, path);
        ++textureCount;
        TextureNames[textureCount] = upload ? kept : 0;
        TextureUploadFormat = image.format;
        return textureCount;
    }
    if (!TakePreloadedTarga(path, &image, &code, &internalFormat)) {
        code = ReadTargaFile(pathJoin(path), &image);
        if (code == 0) internalFormat = TargaInternalFormat(image);
    }
    if (code != 0) return Refuse(code, path);
    ++textureCount;
    UploadTexture(textureCount, image, internalFormat);
    FreeTargaImage(&image);
    return textureCount;
}

// The index each fixed texture got from the last LoadTextures; 0 when its
// file was refused (the variable then holds an error code, which may equal
// another picture's index).
int FixedIndex[FIXED_TEXTURE_COUNT];

// Set when the intro is left: the intro's pictures are shown once a run.
bool IntroPicturesReleased = false;

} // namespace

int LoadTarga(const char* path) {
    return LoadTargaFor(path, true);
}

const FixedTexture FixedTextures[FIXED_TEXTURE_COUNT] = {
    {"Texture/font.tga", &FontTexture, SEEN_ANYWHERE},
    {"Texture/intro.tga", &IntroTexture, SEEN_IN_INTRO},
    {"Texture/splash.tga", &SplashTexture, SEEN_ANYWHERE},
    {"Texture/orvi.tga", &LogoTexture, SEEN_IN_INTRO},
    {"Texture/mini_splash_G.tga", &MiniSplashLeftTexture, SEEN_ANYWHERE},
    {"Texture/mini_splash_D.tga", &MiniSplashRightTexture, SEEN_ANYWHERE},
    {"Texture/bg_arcade.tga", &EpisodeBackground[0], SEEN_NOWHERE},
    {"Texture/bg_jungle.tga", &EpisodeBackground[1], SEEN_NOWHERE},
    {"Texture/bg_street.tga", &EpisodeBackground[3], SEEN_NOWHERE},
    {"Texture/bg_ocean.tga", &EpisodeBackground[2], SEEN_NOWHERE},
};

bool FixedTextureUploaded(const FixedTexture& fixed) {
    return fixed.use == SEEN_ANYWHERE || (fixed.use == SEEN_IN_INTRO && !IntroPicturesReleased);
}

void LoadTextures() {
    // What this frame drew so far uses the textures about to be replaced.
    FlushFrameRecord();
    for (int i = 0; i < MAX_MATERIAL_SLOTS; ++i) {
        MaterialTextureTable[i].inUse = 0;
        std::memset(MaterialTextureTable[i].name, ' ', MATERIAL_NAME_BLANKS);
    }
    // The fixed pictures are the same files at every reload (each episode
    // start): what GL holds of them in this context stays, and only the
    // episode's materials go. Uploading them again would hold both copies
    // for a frame, and the glyph sheet's levels would be built again.
    uint32_t kept[FIXED_TEXTURE_COUNT] = {};
    uint32_t keptOutline = 0;
    const bool ours = NamesAreCurrent();
    if (ours) {
        for (int i = 0; i < FIXED_TEXTURE_COUNT; ++i) {
            if (FixedIndex[i] == 0) continue;
            std::swap(kept[i], TextureNames[FixedIndex[i]]);
        }
        std::swap(keptOutline, FontOutlineName);
    }
    DeleteLoadedTextures();
    textureCount = 0;
    BuildGlyphTable();
    for (int i = 0; i < FIXED_TEXTURE_COUNT; ++i) {
        const FixedTexture& fixed = FixedTextures[i];
        const int before = textureCount;
        *fixed.index = LoadTargaFor(fixed.path, FixedTextureUploaded(fixed), kept[i]);
        FixedIndex[i] = textureCount > before ? textureCount : 0;
        if (FixedIndex[i] != 0 && kept[i] != 0) {
            kept[i] = 0; // in the table again
            if (fixed.index == &FontTexture) std::swap(FontOutlineName, keptOutline);
        } else if (fixed.index == &FontTexture) {
            MipmapFontSheet();
        }
    }
    // What was kept but refused this time (a file gone since) goes now.
    if (ours) {
        glDeleteTextures(FIXED_TEXTURE_COUNT, reinterpret_cast<const GLuint*>(kept));
        glDeleteTextures(1, reinterpret_cast<const GLuint*>(&keptOutline));
    }
    ResyncFrameRecord(); // the uploads bound textures behind the recorder's back
}

void ReleaseIntroTextures() {
    if (IntroPicturesReleased) return;
    IntroPicturesReleased = true;
    FlushFrameRecord(); // this frame may have drawn them
    const bool ours = NamesAreCurrent();
    for (int i = 0; i < FIXED_TEXTURE_COUNT; ++i) {
        if (FixedTextures[i].use != SEEN_IN_INTRO || FixedIndex[i] == 0) continue;
        uint32_t& name = TextureNames[FixedIndex[i]];
        if (ours) glDeleteTextures(1, reinterpret_cast<const GLuint*>(&name));
        name = 0;
    }
    ResyncFrameRecord();
}

void RestoreIntroTextures() {
    if (!IntroPicturesReleased) return;
    IntroPicturesReleased = false;
    FlushFrameRecord();
    for (int i = 0; i < FIXED_TEXTURE_COUNT; ++i) {
        if (FixedTextures[i].use != SEEN_IN_INTRO || FixedIndex[i] == 0) continue;
        TargaImage image;
        if (ReadTargaFile(pathJoin(FixedTextures[i].path), &image) != 0) continue;
        UploadTexture(FixedIndex[i], image, TargaInternalFormat(image));
        FreeTargaImage(&image);
    }
    ResyncFrameRecord();
}
