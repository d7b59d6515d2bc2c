// The draws QuadArray makes, recorded by stand-ins for the five GL calls it
// uses (no context, no libGL): the browser's emulation numbers a quad draw's
// corners in 16 bits, so no draw may pass 65,536 corners, and the arrays are
// on during the draws only.
#include <windows.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "files/quad_array.h"

namespace {

struct Draw {
    const void* texCoords;
    const void* vertices;
    GLsizei count;
};
std::vector<Draw> draws;
const void* texCoordPointer = nullptr;
const void* vertexPointer = nullptr;
int enabledArrays = 0;

}  // namespace

void GLAPIENTRY glEnableClientState(GLenum) { ++enabledArrays; }
void GLAPIENTRY glDisableClientState(GLenum) { --enabledArrays; }
void GLAPIENTRY glTexCoordPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* p) {
    EXPECT_TRUE(size == 2 && type == GL_FLOAT && stride == sizeof(QuadCorner));
    texCoordPointer = p;
}
void GLAPIENTRY glVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* p) {
    EXPECT_TRUE(size == 2 && type == GL_FLOAT && stride == sizeof(QuadCorner));
    vertexPointer = p;
}
void GLAPIENTRY glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    EXPECT_TRUE(mode == GL_QUADS && first == 0 && enabledArrays == 2);
    draws.push_back({texCoordPointer, vertexPointer, count});
}

TEST(QuadArray, DrawsAtMost65536CornersAtATimeFromTheQuadsAsked) {
    struct Case {
        size_t quads, first, count, runs, stride;
        std::vector<std::pair<size_t, GLsizei>> expected;  // first corner and corner count of each draw
    };
    const Case cases[] = {
        {0, 0, 10, 1, 0, {}},
        {1, 0, 1, 1, 0, {{0, 4}}},
        {4096, 0, 4096, 1, 0, {{0, 16384}}},
        {16384, 0, 16384, 1, 0, {{0, 65536}}},
        {16641, 0, 16641, 1, 0, {{0, 65536}, {65536, 1028}}},
        {16641, 129, 3000, 1, 0, {{516, 12000}}},
        {16641, 16000, 1000, 1, 0, {{64000, 2564}}},  // cut to the quads there are
        {16641, 16641, 5, 1, 0, {}},
        {16641, 131, 20, 3, 129, {{524, 80}, {1040, 80}, {1556, 80}}},  // rows of a 129-wide grid
        {16641, 16500, 100, 3, 129, {{66000, 400}, {66516, 48}}},
    };
    for (const Case& c : cases) {
        QuadArray quads;
        for (size_t i = 0; i < c.quads; ++i) quads.add(0, 0, 1, 1, static_cast<double>(i), 0, i + 1.0, -1);
        draws.clear();
        texCoordPointer = vertexPointer = nullptr;
        // The first corner's position tells which quad a draw starts at.
        quads.draw(c.first, c.count, c.runs, c.stride);
        ASSERT_EQ(draws.size(), c.expected.size()) << c.quads << " quads from " << c.first;
        for (size_t d = 0; d < draws.size(); ++d) {
            const auto* corner = static_cast<const float*>(draws[d].texCoords);
            EXPECT_EQ(draws[d].count, c.expected[d].second) << c.quads << " quads from " << c.first << ", draw " << d;
            EXPECT_EQ(corner[2], static_cast<float>(c.expected[d].first / 4)) << "draw " << d << " starts elsewhere";
            EXPECT_EQ(draws[d].vertices, corner + 2) << "positions follow the texture coordinates";
        }
        EXPECT_EQ(enabledArrays, 0) << "arrays left on";
    }
}
