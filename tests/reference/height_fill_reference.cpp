#include "reference/height_fill_reference.h"

#include <cmath>
#include <deque>
#include <utility>
#include <vector>

#include "shell/editor_state.h"

using reference::RefGroundMap;

namespace {

void copyMap(RefGroundMap& out, const GroundMap& in) {
    out.width = in.width;
    out.height = in.height;
    out.tiles.assign(in.tiles, in.tiles + in.width * in.height);
    out.corners.assign(in.corners, in.corners + (2 * in.width + 1) * (2 * in.height + 1));
}

}  // namespace

int32_t referenceHeightFill(RefGroundMap& preview, const GroundMap& working, const HeightField& field,
                         int32_t x, int32_t y, int32_t kind, double threshold, bool fillBelow) {
    copyMap(preview, working);
    const int32_t maxX = 2 * working.width;
    const int32_t maxY = 2 * working.height;
    std::vector<std::vector<bool>> visited(maxX + 1, std::vector<bool>(maxY + 1, false));
    std::deque<std::pair<int32_t, int32_t>> queue;
    queue.emplace_back(x, y);
    visited[x][y] = true;
    int32_t painted = 0;
    while (!queue.empty()) {
        const auto [qx, qy] = queue.front();
        queue.pop_front();
        for (int32_t k = -1; k <= 1; ++k) {
            for (int32_t l = -1; l <= 1; ++l) {
                const int32_t nx = qx + k;
                const int32_t ny = qy + l;
                if (nx < 0 || nx > maxX || ny < 0 || ny > maxY) continue;
                if (visited[nx][ny]) continue;
                const double h = field.at(nx, ny);
                const bool pass = fillBelow ? h <= threshold : h >= threshold;
                if (!pass) continue;
                visited[nx][ny] = true;
                queue.emplace_back(nx, ny);
                preview.paintCorner(nx, ny, kind);
                ++painted;
            }
        }
    }
    return painted;
}

int32_t referencePreviewHeightFill(RefGroundMap& out, int32_t w, int32_t h) {
    const LatticePos p = screenToLattice(viewState.mouseX, viewState.mouseY, w, h);
    const double fx = p.x;
    const double fy = p.y;
    const double lastX = 2 * workingMap.width;
    const double lastY = 2 * workingMap.height;
    if (!std::isfinite(fx) || !std::isfinite(fy) || std::trunc(fx) < 0 || std::trunc(fy) < 0 ||
        std::trunc(fx) > lastX || std::trunc(fy) > lastY) {
        copyMap(out, workingMap);
        return 0;
    }
    const int32_t ix = static_cast<int32_t>(fx);
    const int32_t iy = static_cast<int32_t>(fy);
    const double dx = fx - ix;
    const double dy = fy - iy;
    // Terms in the order (ix, iy), (ix, iy + 1), (ix + 1, iy), (ix + 1, iy + 1).
    struct Term {
        int32_t x, y;
        double weight;
    };
    Term terms[4];
    int n = 0;
    terms[n++] = {ix, iy, (1 - dx) * (1 - dy)};
    if (iy + 1 <= lastY) terms[n++] = {ix, iy + 1, (1 - dx) * (2 - dy)};
    if (ix + 1 <= lastX) terms[n++] = {ix + 1, iy, (2 - dx) * (1 - dy)};
    if (ix + 1 <= lastX && iy + 1 <= lastY) terms[n++] = {ix + 1, iy + 1, (2 - dx) * (2 - dy)};
    double sum = 0, weights = 0;
    for (int i = 0; i < n; ++i) {
        sum += terms[i].weight * heightField.at(terms[i].x, terms[i].y);
        weights += terms[i].weight;
    }
    return referenceHeightFill(out, workingMap, heightField, ix, iy, static_cast<int32_t>(editorState.currentKind),
                               sum / weights, editorState.fillBelow);
}
