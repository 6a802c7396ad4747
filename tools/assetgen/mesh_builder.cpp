#include "tools/assetgen/mesh_builder.h"

#include "tools/assetgen/fs_util.h"

#include <cmath>
#include <cstdio>

void MeshFile::beginObject(const std::string& name) {
    objects_.push_back(MeshObject{name, {}, {}});
}

void MeshFile::useMaterial(const std::string& name) {
    for (size_t i = 0; i < materials_.size(); ++i)
        if (materials_[i] == name) {
            current_ = static_cast<int>(i);
            return;
        }
    materials_.push_back(name);
    current_ = static_cast<int>(materials_.size()) - 1;
}

int MeshFile::addVertex(float x, float y, float z, float u, float v) {
    if (objects_.empty()) beginObject("object");
    objects_.back().vertices.push_back(MeshVertex{x, y, z, u, v});
    return static_cast<int>(objects_.back().vertices.size()) - 1;
}

void MeshFile::addTri(int a, int b, int c) {
    if (objects_.empty()) beginObject("object");
    objects_.back().faces.push_back(MeshTri{a, b, c, current_});
}

int MeshFile::vertexCount() const {
    int n = 0;
    for (const MeshObject& o : objects_)
        n += static_cast<int>(o.vertices.size());
    return n;
}

int MeshFile::faceCount() const {
    int n = 0;
    for (const MeshObject& o : objects_)
        n += static_cast<int>(o.faces.size());
    return n;
}

// Negative zero would print as "-0.0000"; keep the files tidy.
static float Tidy(float v) {
    return std::fabs(v) < 0.00005f ? 0.0f : v;
}

std::string MeshFile::text() const {
    std::string s = "Ambient light color: Red=0.3 Green=0.3 Blue=0.3\n\n";
    char line[160];
    for (const MeshObject& o : objects_) {
        snprintf(line, sizeof line, "Named object: \"%s\"\nTri-mesh, Vertices: %d     Faces: %d\n",
                 o.name.c_str(), static_cast<int>(o.vertices.size()),
                 static_cast<int>(o.faces.size()));
        s += line;
        s += "Vertex list:\n";
        for (size_t i = 0; i < o.vertices.size(); ++i) {
            const MeshVertex& v = o.vertices[i];
            // Short lines on purpose: the reader takes at most 99 characters.
            snprintf(line, sizeof line, "Vertex %d:  X:%.4f Y:%.4f Z:%.4f U:%.4f V:%.4f\n",
                     static_cast<int>(i), Tidy(v.x), Tidy(v.y), Tidy(v.z), Tidy(v.u), Tidy(v.v));
            s += line;
        }
        s += "Face list:\n";
        for (size_t i = 0; i < o.faces.size(); ++i) {
            const MeshTri& f = o.faces[i];
            snprintf(line, sizeof line, "Face %d:    A:%d B:%d C:%d AB:1 BC:1 CA:1\n",
                     static_cast<int>(i), f.a, f.b, f.c);
            s += line;
            s += "Material:\"" + materials_[f.material] + "\"\n";
            s += "Smoothing:  1\n";
        }
        s += "\n";
    }
    return s;
}

bool MeshFile::write(const std::string& path) const {
    std::string s = text();
    return WriteFileBytes(path, s.data(), s.size());
}

// ---------------------------------------------------------------------------
// Shapes
// ---------------------------------------------------------------------------
void AddQuadXY(MeshFile& m, float x0, float y0, float x1, float y1, float z, float u0, float v0,
               float u1, float v1) {
    int a = m.addVertex(x0, y0, z, u0, v0);
    int b = m.addVertex(x1, y0, z, u1, v0);
    int c = m.addVertex(x1, y1, z, u1, v1);
    int d = m.addVertex(x0, y1, z, u0, v1);
    m.addQuad(a, b, c, d);
}

void AddBevelSlab(MeshFile& m, float hx, float hy, float hz, float bx, float by, float bz, float u0,
                  float v0, float u1, float v1) {
    auto U = [&](float x) { return u0 + (u1 - u0) * (x + hx) / (2 * hx); };
    auto V = [&](float y) { return v0 + (v1 - v0) * (y + hy) / (2 * hy); };
    const float ix = hx - bx, iy = hy - by, zf = hz, zb = hz - bz;
    // Front.
    AddQuadXY(m, -ix, -iy, ix, iy, zf, U(-ix), V(-iy), U(ix), V(iy));
    // Bevels: inner edge on the front plane, outer edge set back by bz.
    const float in[4][2] = {{-ix, -iy}, {ix, -iy}, {ix, iy}, {-ix, iy}};
    const float out[4][2] = {{-hx, -hy}, {hx, -hy}, {hx, hy}, {-hx, hy}};
    for (int e = 0; e < 4; ++e) {
        int n = (e + 1) % 4;
        int a = m.addVertex(out[e][0], out[e][1], zb, U(out[e][0]), V(out[e][1]));
        int b = m.addVertex(out[n][0], out[n][1], zb, U(out[n][0]), V(out[n][1]));
        int c = m.addVertex(in[n][0], in[n][1], zf, U(in[n][0]), V(in[n][1]));
        int d = m.addVertex(in[e][0], in[e][1], zf, U(in[e][0]), V(in[e][1]));
        m.addQuad(a, b, c, d);
    }
    // Sides: the texture of the bevel band next to each edge.
    for (int e = 0; e < 4; ++e) {
        int n = (e + 1) % 4;
        float mx = (in[e][0] + in[n][0]) * 0.5f, my = (in[e][1] + in[n][1]) * 0.5f;
        float ex = out[e][0], ey = out[e][1], nx = out[n][0], ny = out[n][1];
        float iex = ex + (mx - (ex + nx) * 0.5f) * 0.5f, iey = ey + (my - (ey + ny) * 0.5f) * 0.5f;
        float inx = nx + (mx - (ex + nx) * 0.5f) * 0.5f, iny = ny + (my - (ey + ny) * 0.5f) * 0.5f;
        int a = m.addVertex(ex, ey, -hz, U(iex), V(iey));
        int b = m.addVertex(nx, ny, -hz, U(inx), V(iny));
        int c = m.addVertex(nx, ny, zb, U(nx), V(ny));
        int d = m.addVertex(ex, ey, zb, U(ex), V(ey));
        m.addQuad(a, b, c, d);
    }
    // Back, mirrored in u so that it reads the right way round from behind.
    int a = m.addVertex(hx, -hy, -hz, U(-hx), V(-hy));
    int b = m.addVertex(-hx, -hy, -hz, U(hx), V(-hy));
    int c = m.addVertex(-hx, hy, -hz, U(hx), V(hy));
    int d = m.addVertex(hx, hy, -hz, U(-hx), V(hy));
    m.addQuad(a, b, c, d);
}

void AddLathe(MeshFile& m, const LathePoint* p, int count, int segments, float u0, float u1,
              float vRepeat, float cy, float cz) {
    const float twoPi = 6.28318530718f;
    std::vector<int> ring((segments + 1) * count);
    const float span = p[count - 1].x - p[0].x;
    for (int i = 0; i < count; ++i) {
        // u follows the length, so a label painted on the middle keeps its shape.
        float u = u0 + (u1 - u0) * (span != 0 ? (p[i].x - p[0].x) / span : 0.0f);
        for (int s = 0; s <= segments; ++s) {
            // Turning this way, v grows upwards on the side facing +z, so
            // pictures painted upright read upright there.
            float a = twoPi * s / segments;
            ring[i * (segments + 1) + s] =
                m.addVertex(p[i].x, cy + p[i].r * std::cos(a), cz - p[i].r * std::sin(a), u,
                            vRepeat * s / segments);
        }
    }
    for (int i = 0; i + 1 < count; ++i)
        for (int s = 0; s < segments; ++s) {
            int a = ring[i * (segments + 1) + s], b = ring[i * (segments + 1) + s + 1];
            int c = ring[(i + 1) * (segments + 1) + s + 1], d = ring[(i + 1) * (segments + 1) + s];
            // A ring of radius zero is a pole: one triangle per segment.
            if (p[i].r <= 0.0f)
                m.addTri(a, c, d);
            else if (p[i + 1].r <= 0.0f)
                m.addTri(a, b, c);
            else
                m.addQuad(a, b, c, d);
        }
}

void AddLatheZ(MeshFile& m, const LathePoint* p, int count, int segments, float cx, float cy,
               float u0, float u1, float v0, float v1) {
    const float twoPi = 6.28318530718f;
    std::vector<int> ring((segments + 1) * count);
    const float span = p[count - 1].x - p[0].x;
    for (int i = 0; i < count; ++i) {
        float v = v0 + (v1 - v0) * (span != 0 ? (p[i].x - p[0].x) / span : 0.0f);
        for (int s = 0; s <= segments; ++s) {
            float a = twoPi * s / segments;
            ring[i * (segments + 1) + s] =
                m.addVertex(cx + p[i].r * std::cos(a), cy + p[i].r * std::sin(a), p[i].x,
                            u0 + (u1 - u0) * s / segments, v);
        }
    }
    for (int i = 0; i + 1 < count; ++i)
        for (int s = 0; s < segments; ++s) {
            int a = ring[i * (segments + 1) + s], b = ring[i * (segments + 1) + s + 1];
            int c = ring[(i + 1) * (segments + 1) + s + 1], d = ring[(i + 1) * (segments + 1) + s];
            if (p[i].r <= 0.0f)
                m.addTri(a, c, d);
            else if (p[i + 1].r <= 0.0f)
                m.addTri(a, b, c);
            else
                m.addQuad(a, b, c, d);
        }
}

void AddPrism(MeshFile& m, const float* xy, int count, float hz, float bx0, float by0, float bx1,
              float by1) {
    auto U = [&](float x) { return (x - bx0) / (bx1 - bx0); };
    auto V = [&](float y) { return (y - by0) / (by1 - by0); };
    std::vector<int> front(count), back(count);
    for (int i = 0; i < count; ++i) {
        front[i] = m.addVertex(xy[2 * i], xy[2 * i + 1], hz, U(xy[2 * i]), V(xy[2 * i + 1]));
        back[i] = m.addVertex(xy[2 * i], xy[2 * i + 1], -hz, U(xy[2 * i]), V(xy[2 * i + 1]));
    }
    for (int i = 1; i + 1 < count; ++i) {
        m.addTri(front[0], front[i], front[i + 1]);
        m.addTri(back[0], back[i + 1], back[i]);
    }
    for (int i = 0; i < count; ++i) {
        int n = (i + 1) % count;
        m.addQuad(back[i], back[n], front[n], front[i]);
    }
}
