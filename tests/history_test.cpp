// SPDX-License-Identifier: GPL-3.0-or-later
// vibrating-string-history, run as a user runs it: its numbers against the
// model's trusted reference values, its options and its complaints, and the
// picture script that draws its data.
#include "command.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string HISTORY = VIBRATING_STRING_HISTORY;

// CSV lines after the header, each split into numbers.
std::vector<std::vector<double>> rows_of(const std::string &csv, std::string &header)
{
    std::istringstream in(csv);
    std::getline(in, header);
    std::vector<std::vector<double>> rows;
    for (std::string line; std::getline(in, line);) {
        std::vector<double> row;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, ',');) {
            row.push_back(std::strtod(field.c_str(), nullptr));
        }
        rows.push_back(row);
    }
    return rows;
}

} // namespace

TEST(History, FramesCarryTheModelsLargestDisplacementAndAnEnergyThatGrowsOnlyLater)
{
    const CommandResult result = run(HISTORY);
    ASSERT_TRUE(succeeded(result)) << result.output;
    std::string header;
    const auto rows = rows_of(result.output, header);
    EXPECT_EQ(header, "frame,time,largest_displacement,energy");
    ASSERT_EQ(rows.size(), 3001U); // frames 0 to 3000 by default

    double largest = 0;
    int largest_frame = 0;
    for (const auto &row : rows) {
        ASSERT_EQ(row.size(), 4U);
        if (row[2] > largest) {
            largest = row[2];
            largest_frame = static_cast<int>(row[0]);
        }
    }
    EXPECT_NEAR(rows[1][1], 201 * std::sqrt(1e-11), 1e-9); // the time one frame covers
    EXPECT_NEAR(rows[0][2], 1.0, 1e-6);
    EXPECT_NEAR(largest, 1.0013, 5e-5);
    EXPECT_NEAR(largest_frame, 775, 5);
    EXPECT_NEAR(rows[3000][2], 0.5556, 5e-5);

    // The pluck's strain energy, 1/2 of the integral of u_x^2 for one period
    // of a sine of height 1 over 0.4, is pi^2/0.4; as the halves run, it
    // turns into kinetic energy and the sum stays put for thousands of frames.
    EXPECT_NEAR(rows[0][3], M_PI * M_PI / 0.4, 0.01 * M_PI * M_PI / 0.4);
    for (const int frame : {1, 100, 1000, 3000}) {
        EXPECT_NEAR(rows[frame][3] / rows[0][3], 1.0, 0.03) << "frame " << frame;
    }
}

TEST(History, ShapesHoldNodeZeroAtZeroAndMatchTheReferenceFrames)
{
    const CommandResult result = run(HISTORY + " --shape 0:100");
    ASSERT_TRUE(succeeded(result)) << result.output;
    std::string header;
    const auto rows = rows_of(result.output, header);
    EXPECT_EQ(header, "frame,node,displacement");
    ASSERT_EQ(rows.size(), 101U * 100U);
    for (const auto &row : rows) {
        if (row[1] == 0) {
            ASSERT_EQ(row[2], 0.0) << "frame " << row[0];
        }
    }
    const auto at = [&](int frame, int node) { return rows[static_cast<size_t>(frame) * 100 + node]; };
    EXPECT_NEAR(at(0, 50)[2], 9.27e-05, 5e-7);
    EXPECT_NEAR(at(0, 70)[2], -1.853e-04, 5e-7);
    EXPECT_NEAR(at(1, 40)[2], 0.9999498, 5e-8);
    EXPECT_NEAR(at(100, 40)[2], 0.540559, 5e-7);
    EXPECT_EQ(at(100, 40)[0], 100);
    EXPECT_EQ(at(100, 40)[1], 40);

    // A later range holds only its own frames.
    const auto later = rows_of(run(HISTORY + " --shape 20:21").output, header);
    ASSERT_EQ(later.size(), 200U);
    EXPECT_EQ(later.front()[0], 20);
    EXPECT_NEAR(later[40][2], 0.980085, 5e-7);
}

TEST(History, OptionsAndBadInput)
{
    const CommandResult help = run(HISTORY + " --help");
    EXPECT_TRUE(succeeded(help));
    EXPECT_EQ(help.output.rfind("usage: vibrating-string-history", 0), 0U) << help.output;

    char folder[] = "/tmp/vibrating-string-history-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string file = std::string(folder) + "/frames.csv";
    ASSERT_TRUE(succeeded(run(HISTORY + " --frames 5 --output " + file)));
    std::ifstream written(file);
    std::stringstream text;
    text << written.rdbuf();
    EXPECT_EQ(text.str(), run(HISTORY + " --frames 5").output);
    fs::remove_all(folder);

    const struct {
        const char *arguments;
        int status;
        const char *says;
    } bad[] = {
        {"--speed 2", 2, "unknown option '--speed'"},
        {"--frames", 2, "--frames needs a value"},
        {"--frames ten", 2, "--frames needs a whole number of frames, not 'ten'"},
        {"--frames -3", 2, "--frames needs a whole number of frames, not '-3'"},
        {"--shape 9:3", 2, "--shape needs FIRST:LAST"},
        {"--shape 7", 2, "--shape needs FIRST:LAST"},
        {"--frames 5 --shape 0:10", 2, "--shape ends at frame 10, after the last of --frames 5"},
        {"--output /nonexistent/frames.csv", 1, "cannot write /nonexistent/frames.csv: No such file or directory"},
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
    char folder[] = "/tmp/vibrating-string-plots-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string plot = PLOT_HISTORY;
    const CommandResult result = run(plot + " --frames 40 --span 20 --out " + folder + " --program " + HISTORY);
    EXPECT_TRUE(succeeded(result)) << result.output;
    for (const char *name : {"string-spacetime.png", "string-long-run.png"}) {
        std::ifstream png(std::string(folder) + "/" + name, std::ios::binary);
        std::string magic(8, '\0');
        png.read(magic.data(), 8);
        EXPECT_EQ(magic, "\x89PNG\r\n\x1a\n") << name;
    }
    EXPECT_NE(run(plot + " --frames 0").status, 0);
    fs::remove_all(folder);
}
