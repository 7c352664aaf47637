// SPDX-License-Identifier: GPL-3.0-or-later
// What the window should show for a given model frame, checked against the
// pixels read back from it.
#pragma once

#include "picture.h"

#include <string>
#include <vector>

// u_curr after `frame` frames from set-up, computed by the model in this process.
const std::vector<double> &model_frame(int frame);

struct FrameMatch {
    int nodes_in_view = 0; // vertices that fall inside the window
    int first_in_view = -1;
    int last_in_view = -1;
    int nodes_missed = 0;  // in view, yet no black pixel within a pixel and a half
    int stray_pixels = 0;  // black, yet more than a pixel off the polyline
    int other_colours = 0; // neither white nor black

    bool matches() const { return nodes_in_view > 0 && nodes_missed == 0 && stray_pixels == 0 && other_colours == 0; }
    std::string describe() const;
};

// Compares the picture with the string `u` drawn at 100 pixels per world unit,
// origin at the window's centre, node i at x = 0.09 i - 4 and y = 1.5 u[i].
FrameMatch match_frame(const Picture &picture, const std::vector<double> &u);

// Mean distance, in pixels, from the picture's black pixels to the string `u`
// (each capped at a few pixels). Neighbouring frames differ by less than a
// pixel, yet the frame a picture shows is the one that fits it best.
double mean_distance(const Picture &picture, const std::vector<double> &u);
