// Builds triangle meshes in memory and writes them in the ASCII scene
// format the game reads (named objects, vertex lines with X Y Z U V, face
// lines, one Material line after every face).
#pragma once

#include <string>
#include <vector>

struct MeshVertex {
    float x, y, z, u, v;
};

struct MeshTri {
    int a, b, c;
    int material; // index into MeshFile::materials
};

struct MeshObject {
    std::string name;
    std::vector<MeshVertex> vertices;
    std::vector<MeshTri> faces;
};

class MeshFile {
  public:
    // Starts a new named object; later calls add to it.
    void beginObject(const std::string& name);
    // Selects the material of the faces that follow.
    void useMaterial(const std::string& name);
    int addVertex(float x, float y, float z, float u, float v);
    void addTri(int a, int b, int c);
    void addQuad(int a, int b, int c, int d) { addTri(a, b, c), addTri(a, c, d); }

    int vertexCount() const;
    int faceCount() const;
    bool write(const std::string& path) const;
    std::string text() const;

  private:
    std::vector<MeshObject> objects_;
    std::vector<std::string> materials_;
    int current_ = 0;
};

// --- shapes -------------------------------------------------------------
// A slab centred on the origin, front face towards +z with a sloped bevel
// of (bx, by) inwards and bz backwards. UVs are a planar projection of the
// front, so a texture painted with a matching border shades the bevel; the
// back face is mirrored so text reads from behind too.
void AddBevelSlab(MeshFile& m, float hx, float hy, float hz, float bx, float by, float bz,
                  float u0 = 0, float v0 = 0, float u1 = 1, float v1 = 1);
// A surface of revolution about the x axis. profile holds (x, radius)
// pairs from one end to the other; u runs along the profile from u0 to
// u1, v around the axis (vRepeat times).
struct LathePoint {
    float x, r;
};
void AddLathe(MeshFile& m, const LathePoint* profile, int count, int segments, float u0, float u1,
              float vRepeat, float cy = 0, float cz = 0);
// The same about the z axis (for things that stand upright): u runs around
// from u0 to u1, v along the axis from v0 to v1.
void AddLatheZ(MeshFile& m, const LathePoint* profile, int count, int segments, float cx, float cy,
               float u0, float u1, float v0, float v1);
// A flat quad in the x-y plane at depth z, uv 0..1.
void AddQuadXY(MeshFile& m, float x0, float y0, float x1, float y1, float z, float u0 = 0,
               float v0 = 0, float u1 = 1, float v1 = 1);
// A flat polygon (convex, counter-clockwise) extruded from z = -hz to +hz,
// uv planar over the box (bx0, by0)-(bx1, by1).
void AddPrism(MeshFile& m, const float* xy, int count, float hz, float bx0, float by0, float bx1,
              float by1);
