// SPDX-License-Identifier: GPL-3.0-or-later
// vibrating-string-history as a user runs it: its numbers against the
// model's reference values, its complaints, and the picture script.
#include "command.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string HISTORY = VIBRATING_STRING_HISTORY;

// The CSV that `arguments` make: the header, then each line's numbers.
std::vector<std::vector<double>> csv(const std::string &arguments, std::string &header)
{
    std::istringstream in(run(HISTORY + " " + arguments).output);
    std::getline(in, header);
    std::vector<std::vector<double>> rows;
    for (std::string line, field; std::getline(in, line);) {
        std::istringstream fields(line);
        rows.emplace_back();
        while (std::getline(fields, field, ',')) {
            rows.back().push_back(std::strtod(field.c_str(), nullptr));
        }
    }
    return rows;
}

} // namespace

TEST(History, FramesCarryTheLargestDisplacementAndTheEnergy)
{
    std::string header;
    const auto rows = csv("", header);
    EXPECT_EQ(header, "frame,time,largest_displacement,energy");
    ASSERT_EQ(rows.size(), 3001U); // frames 0 to 3000 by default
    size_t largest = 0;
    for (size_t frame = 0; frame < rows.size(); ++frame) {
        largest = rows[frame][2] > rows[largest][2] ? frame : largest;
    }
    EXPECT_NEAR(rows[largest][2], 1.0013, 5e-5);
    EXPECT_NEAR(largest, 775, 5);
    EXPECT_NEAR(rows[3000][2], 0.5556, 5e-5);
    EXPECT_NEAR(rows[1][1], 201 * std::sqrt(1e-11), 1e-9); // the time a frame covers

    // At rest the pluck's energy is its strain, 1/2 of the integral of u_x^2
    // over one period of a sine of height 1 and length 0.4: pi^2/0.4. It then
    // moves between strain and motion and holds for thousands of frames.
    EXPECT_NEAR(rows[0][3], M_PI * M_PI / 0.4, 0.01 * M_PI * M_PI / 0.4);
    for (const int frame : {1, 100, 1000, 3000}) {
        EXPECT_NEAR(rows[frame][3] / rows[0][3], 1.0, 0.03) << "frame " << frame;
    }
}

TEST(History, ShapesHoldNodeZeroAtZeroAndMatchTheReferenceFrames)
{
    std::string header;
    const auto rows = csv("--shape 0:100", header);
    EXPECT_EQ(header, "frame,node,displacement");
    ASSERT_EQ(rows.size(), 101U * 100U);
    for (size_t frame = 0; frame <= 100; ++frame) {
        ASSERT_EQ(rows[frame * 100][2], 0.0) << "frame " << frame;
    }
    // Nodes 0 to 99 of each frame in turn.
    for (size_t frame = 0; frame <= 100; ++frame) {
        for (size_t node = 0; node < 100; ++node) {
            const std::vector<double> &row = rows[frame * 100 + node];
            ASSERT_EQ(row[0], static_cast<double>(frame)) << "frame " << frame << ", node " << node;
            ASSERT_EQ(row[1], static_cast<double>(node)) << "frame " << frame << ", node " << node;
        }
    }
    EXPECT_NEAR(rows[50][2], 9.27e-05, 5e-7);
    EXPECT_NEAR(rows[70][2], -1.853e-04, 5e-7);
    EXPECT_EQ(rows[100 * 100 + 40][0], 100);
    EXPECT_NEAR(rows[100 * 100 + 40][2], 0.540559, 5e-7);
    EXPECT_NEAR(csv("--shape 20:21", header)[40][2], 0.980085, 5e-7);

    // With --frames too, only FIRST to LAST, as the help says.
    const auto some = csv("--frames 10 --shape 2:5", header);
    ASSERT_EQ(some.size(), 4U * 100U);
    EXPECT_EQ(some.front()[0], 2);
    EXPECT_EQ(some.back()[0], 5);
    EXPECT_EQ(some.back()[1], 99);
    EXPECT_EQ(some, csv("--shape 2:5", header));
}

TEST(History, ModesTurnAndGrowAsTheirAmplitudesDo)
{
    std::string header;
    const auto modes = csv("--modes", header);
    EXPECT_EQ(header, "mode,frequency,growth");
    ASSERT_EQ(modes.size(), 100U);
    // The string held at both ends over its 99 elements: pi / 0.99 radians
    // per unit of time, 201 steps of sqrt(1e-11) a frame.
    EXPECT_NEAR(modes[1][1], M_PI / 0.99 * 201 * std::sqrt(1e-11), 1e-3 * modes[1][1]);
    // Mode 0, the held end's, never moves: its row has no frequency or growth.
    EXPECT_NE(run(HISTORY + " --modes").output.find("\n0,,\n1,"), std::string::npos);
    for (size_t k = 1; k < modes.size(); ++k) {
        EXPECT_EQ(modes[k][0], static_cast<double>(k));
        // A step turns by theta and grows by sqrt(1 + tan(theta)^2) = 1 / cos(theta).
        EXPECT_NEAR(modes[k][2], std::pow(std::cos(modes[k][1] / 201), -201), 1e-12) << "mode " << k;
    }
    EXPECT_GT(modes[99][2], 1.0001); // the shortest grow fastest

    // Each mode's swing grows by its growth a frame, and its amplitude turns
    // by its frequency: at set-up, at rest, z = a + i a (1 / cos - cos) / sin.
    const auto amplitudes = csv("--amplitudes 0:300", header);
    EXPECT_EQ(header, "frame,mode,amplitude,swing");
    ASSERT_EQ(amplitudes.size(), 301U * 100U);
    for (size_t k = 1; k < 100; ++k) {
        const double theta = modes[k][1] / 201;
        const double a = amplitudes[k][2];
        const std::complex<double> z(a, a * (1 / std::cos(theta) - std::cos(theta)) / std::sin(theta));
        EXPECT_NEAR(amplitudes[k][3], std::abs(z), 1e-8 * std::abs(z)) << "mode " << k;
        for (const size_t frame : {1, 150, 300}) {
            const std::vector<double> &row = amplitudes[frame * 100 + k];
            ASSERT_EQ(row[0], static_cast<double>(frame));
            ASSERT_EQ(row[1], static_cast<double>(k));
            // The frequency's nine digits, times 300 frames, leave the phase 1.5e-7 out.
            const std::complex<double> predicted = z * std::pow(std::polar(modes[k][2], modes[k][1]), frame);
            EXPECT_NEAR(row[2], predicted.real(), 3e-7 * std::abs(z)) << "mode " << k << ", frame " << frame;
            EXPECT_NEAR(row[3], std::abs(predicted), 3e-7 * std::abs(z)) << "mode " << k << ", frame " << frame;
        }
    }
    EXPECT_EQ(csv("--frames 300 --amplitudes 150:150", header),
              std::vector<std::vector<double>>(amplitudes.begin() + 15000, amplitudes.begin() + 15100));
}

TEST(History, OptionsAndBadInput)
{
    const std::string help = run(HISTORY + " --help").output;
    EXPECT_EQ(help.rfind("usage: vibrating-string-history", 0), 0U);
    // Every option the guides for users and teachers name, the help lists.
    for (const char *guide : {"using.md", "teaching.md"}) {
        std::ifstream file(std::string(DOCS) + "/" + guide);
        const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        ASSERT_FALSE(text.empty()) << guide;
        for (size_t at = text.find("`--"); at != std::string::npos; at = text.find("`--", at + 1)) {
            const size_t end = text.find_first_not_of("abcdefghijklmnopqrstuvwxyz", at + 3);
            const std::string option = text.substr(at + 1, end - at - 1);
            EXPECT_NE(help.find("  " + option + " "), std::string::npos) << option << " in " << guide;
        }
    }
    const std::string file = std::filesystem::temp_directory_path() / "vibrating-string-history-test.csv";
    ASSERT_TRUE(succeeded(run(HISTORY + " --frames 5 --output " + file)));
    EXPECT_EQ(run("cat " + file).output, run(HISTORY + " --frames 5").output);
    std::filesystem::remove(file);

    const struct {
        const char *arguments;
        int status;
        const char *says;
    } bad[] = {
        {"--speed 2", 2, "unknown option '--speed'"},
        {"--frames", 2, "--frames needs a value"},
        {"--frames -3", 2, "--frames needs a whole number of frames, not '-3'"},
        {"--shape 9:3", 2, "--shape needs FIRST:LAST"},
        {"--frames 5 --shape 0:10", 2, "--shape ends at frame 10, after the last of --frames 5"},
        {"--amplitudes 3", 2, "--amplitudes needs FIRST:LAST, two frame numbers with FIRST <= LAST, not '3'"},
        {"--frames 5 --amplitudes 0:10", 2, "--amplitudes ends at frame 10, after the last of --frames 5"},
        {"--shape 0:1 --amplitudes 0:1", 2, "--shape and --amplitudes cannot be given together"},
        {"--modes --frames 3", 2, "--modes writes the modes alone"},
        {"--output /nonexistent/x.csv", 1, "cannot write /nonexistent/x.csv: No such file or directory"},
        {"--output /dev/full", 1, "writing /dev/full failed: No space left on device"},
    };
    for (const auto &c : bad) {
        const CommandResult result = run(HISTORY + " " + c.arguments);
        EXPECT_EQ(exit_code(result), c.status) << c.arguments;
        EXPECT_NE(result.output.find(c.says), std::string::npos) << c.arguments << ":\n" << result.output;
    }
}

TEST(History, PictureScriptWritesBothPictures)
{
    if (!succeeded(run("command -v gnuplot"))) {
        GTEST_SKIP() << "gnuplot is not installed (scripts/deps plot installs it)";
    }
    const std::string folder = std::filesystem::temp_directory_path() / "vibrating-string-plots-test";
    const std::string plot = PLOT_HISTORY;
    EXPECT_TRUE(succeeded(run(plot + " --frames 40 --span 20 --out " + folder + " --program " + HISTORY)));
    for (const char *name : {"/string-spacetime.png", "/string-long-run.png"}) {
        EXPECT_EQ(run("head -c 4 " + folder + name).output, "\x89PNG") << name;
    }
    EXPECT_NE(run(plot + " --frames 0").status, 0);
    std::filesystem::remove_all(folder);
}

// The long-run picture marks the first frame whose largest displacement
// passes 1.1, where the string leaves GLUT's default view: frame 35,938.
TEST(History, SoakPictureScriptMarksWhereTheStringLeavesTheView)
{
    if (!succeeded(run("command -v gnuplot"))) {
        GTEST_SKIP() << "gnuplot is not installed (scripts/deps plot installs it)";
    }
    const std::string folder = std::filesystem::temp_directory_path() / "vibrating-string-plots-soak";
    const CommandResult result =
        run(std::string(PLOT_HISTORY) + " --frames 36000 --span 10 --out " + folder + " --program " + HISTORY);
    EXPECT_TRUE(succeeded(result)) << result.output;
    EXPECT_NE(result.output.find("leaves the default view at frame 35938;"), std::string::npos) << result.output;
    std::filesystem::remove_all(folder);
}
