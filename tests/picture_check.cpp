// SPDX-License-Identifier: GPL-3.0-or-later
// The window tests' picture matching for pictures taken elsewhere (the
// page tests, which run it under Node, and the installed program's window
// read back by scripts/check-debian-source): reads a binary PPM and prints, for
// each model frame from FIRST to LAST,
// "frame matches mean_distance first_in_view last_in_view";
// with --displacements instead, "frame u_0 ... u_99", the model's own.
//   usage: picture_check PICTURE.ppm FIRST LAST
//          picture_check --displacements FIRST LAST
#include "string_picture.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

namespace {

bool read_ppm(const char *path, Picture &picture)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int max_value = 0;
    in >> magic >> picture.width >> picture.height >> max_value;
    in.get();
    if (!in || magic != "P6" || max_value != 255 || picture.width <= 0 || picture.height <= 0) {
        return false;
    }
    const size_t pixels = static_cast<size_t>(picture.width) * picture.height;
    picture.rgb.resize(pixels);
    picture.known.assign(pixels, 1);
    for (size_t i = 0; i < pixels; ++i) {
        unsigned char rgb[3];
        if (!in.read(reinterpret_cast<char *>(rgb), 3)) {
            return false;
        }
        picture.rgb[i] =
            (static_cast<unsigned long>(rgb[0]) << 16) | (static_cast<unsigned long>(rgb[1]) << 8) | rgb[2];
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && std::string(argv[1]) == "--displacements") {
        for (int frame = std::atoi(argv[2]); frame <= std::atoi(argv[3]); ++frame) {
            std::printf("%d", frame);
            for (const double u : model_frame(frame)) {
                std::printf(" %.17g", u);
            }
            std::printf("\n");
        }
        return 0;
    }
    Picture picture;
    if (argc != 4 || !read_ppm(argv[1], picture)) {
        std::cerr << "usage: picture_check PICTURE.ppm FIRST LAST (a binary PPM, 8 bits per channel)\n"
                     "       picture_check --displacements FIRST LAST\n";
        return 2;
    }
    for (int frame = std::atoi(argv[2]); frame <= std::atoi(argv[3]); ++frame) {
        const FrameMatch match = match_frame(picture, model_frame(frame));
        std::printf("%d %d %.4f %d %d\n", frame, match.matches() ? 1 : 0, mean_distance(picture, model_frame(frame)),
                    match.first_in_view, match.last_in_view);
    }
    return 0;
}
