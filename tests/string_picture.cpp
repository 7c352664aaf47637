// SPDX-License-Identifier: GPL-3.0-or-later
#include "string_picture.h"

#include "fresh_string.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace {

constexpr double PIXELS_PER_UNIT = 100;
constexpr double TOLERANCE = 1.0; // pixels
// A vertex can fall between the diamonds that decide which pixels a line
// lights, so the nearest lit pixel's centre may be up to about 1.12 pixels
// away from it (one pixel along the line, half a pixel across).
constexpr double NODE_REACH = 1.5; // pixels

struct Point {
    double x;
    double y;
};

// Node positions in the picture's continuous coordinates: x to the right,
// y down from the top edge, pixel (c, r) covering [c, c+1) x [r, r+1).
std::vector<Point> vertices(const Picture &picture, const std::vector<double> &u)
{
    std::vector<Point> points;
    for (int i = 0; i < N; ++i) {
        const double world_x = 0.09 * i - 4.0;
        const double world_y = 1.5 * u[i];
        points.push_back(
            {picture.width / 2.0 + world_x * PIXELS_PER_UNIT, picture.height / 2.0 - world_y * PIXELS_PER_UNIT});
    }
    return points;
}

double distance_to_segment(Point p, Point a, Point b)
{
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// Distance from `p` to the polyline through `points`, or HUGE_VAL if no
// segment lies within `reach` of it. Nodes are evenly spaced in x, so only
// the segments over p's column can be that near.
double distance_to_string(const std::vector<Point> &points, Point p, double reach)
{
    const double spacing = points[1].x - points[0].x;
    const int first = std::max(0, static_cast<int>(std::floor((p.x - reach - points[0].x) / spacing)));
    const int last = std::min(N - 2, static_cast<int>(std::floor((p.x + reach - points[0].x) / spacing)));
    double nearest = HUGE_VAL;
    for (int i = first; i <= last; ++i) {
        nearest = std::min(nearest, distance_to_segment(p, points[i], points[i + 1]));
    }
    return nearest;
}

bool black_or_unknown_near(const Picture &picture, Point p)
{
    const int reach = static_cast<int>(std::ceil(NODE_REACH));
    for (int y = static_cast<int>(p.y) - reach; y <= static_cast<int>(p.y) + reach; ++y) {
        for (int x = static_cast<int>(p.x) - reach; x <= static_cast<int>(p.x) + reach; ++x) {
            if (x < 0 || y < 0 || x >= picture.width || y >= picture.height) {
                continue;
            }
            if (std::hypot(x + 0.5 - p.x, y + 0.5 - p.y) <= NODE_REACH &&
                (!picture.is_known(x, y) || picture.at(x, y) == 0)) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

const std::vector<double> &model_frame(int frame)
{
    static std::vector<std::vector<double>> frames;
    if (frames.empty()) {
        start_from_setup();
        frames.push_back(copy_of(string_state.u_curr));
    }
    while (static_cast<int>(frames.size()) <= frame) {
        advance_frame();
        frames.push_back(copy_of(string_state.u_curr));
    }
    return frames[frame];
}

std::string FrameMatch::describe() const
{
    std::ostringstream text;
    text << nodes_in_view << " nodes in view (" << first_in_view << ".." << last_in_view << "), " << nodes_missed
         << " missed, " << stray_pixels << " stray black pixels, " << other_colours << " pixels of other colours";
    return text.str();
}

FrameMatch match_frame(const Picture &picture, const std::vector<double> &u)
{
    FrameMatch match;
    const std::vector<Point> points = vertices(picture, u);

    for (int i = 0; i < N; ++i) {
        const Point p = points[i];
        if (p.x < 0 || p.y < 0 || p.x >= picture.width || p.y >= picture.height) {
            continue;
        }
        ++match.nodes_in_view;
        if (match.first_in_view < 0) {
            match.first_in_view = i;
        }
        match.last_in_view = i;
        if (!black_or_unknown_near(picture, p)) {
            ++match.nodes_missed;
        }
    }

    // Counting stops early on a picture that is plainly something else.
    const int enough = 100;
    for (int y = 0; y < picture.height && match.stray_pixels + match.other_colours < enough; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            if (!picture.is_known(x, y) || picture.at(x, y) == 0xffffffUL) {
                continue;
            }
            if (picture.at(x, y) != 0) {
                ++match.other_colours;
                continue;
            }
            if (distance_to_string(points, {x + 0.5, y + 0.5}, TOLERANCE) > TOLERANCE) {
                ++match.stray_pixels;
            }
        }
    }
    return match;
}

double mean_distance(const Picture &picture, const std::vector<double> &u)
{
    const std::vector<Point> points = vertices(picture, u);
    const double reach = 4 * TOLERANCE;
    double sum = 0;
    int count = 0;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            if (picture.is_known(x, y) && picture.at(x, y) == 0) {
                sum += std::min(distance_to_string(points, {x + 0.5, y + 0.5}, reach), reach);
                ++count;
            }
        }
    }
    return count > 0 ? sum / count : HUGE_VAL;
}
