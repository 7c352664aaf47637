// SPDX-License-Identifier: GPL-3.0-or-later
// The Debian package: built with CPack from this build, unpacked into a
// scratch root, and the binary it installs run under Xvfb.
#include "program_fixture.h"

#include <glob.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>

namespace fs = std::filesystem;

namespace {

struct CommandResult {
    int status = -1; // the wait status
    std::string output;
};

// Runs a shell command, its stderr merged into its stdout.
CommandResult run(const std::string &command)
{
    CommandResult result;
    FILE *pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) {
        result.output += buffer;
    }
    result.status = pclose(pipe);
    return result;
}

bool succeeded(const CommandResult &result)
{
    return WIFEXITED(result.status) && WEXITSTATUS(result.status) == 0;
}

// Runs `tool arguments` and expects it to succeed; its output, or nothing
// where the tool is not installed.
std::optional<std::string> output_of_success(const std::string &tool, const std::string &arguments)
{
    if (!succeeded(run("command -v " + tool))) {
        std::cout << tool << " is not installed: not run\n";
        return std::nullopt;
    }
    const CommandResult result = run(tool + " " + arguments);
    EXPECT_TRUE(succeeded(result)) << tool << " " << arguments << ":\n" << result.output;
    return result.output;
}

// The output lines that start with one of `tags`, such as "E: ".
std::string lines_tagged(const std::string &output, const std::vector<std::string> &tags)
{
    std::istringstream in(output);
    std::string found;
    for (std::string line; std::getline(in, line);) {
        for (const std::string &tag : tags) {
            if (line.rfind(tag, 0) == 0) {
                found += line + "\n";
            }
        }
    }
    return found;
}

// Builds the package from this build with CPack into a scratch folder and
// unpacks it into a scratch root.
class Package : public ProgramTest {
protected:
    void SetUp() override
    {
        char temp[] = "/tmp/vibrating-string-package-XXXXXX";
        ASSERT_NE(mkdtemp(temp), nullptr);
        scratch = temp;
        const fs::path out = scratch / "out";
        const CommandResult cpack = run(std::string(CPACK_COMMAND) + " -G DEB -B " + out.string() +
                                        " --config " BUILD_DIR "/CPackConfig.cmake");
        ASSERT_TRUE(succeeded(cpack)) << cpack.output;
        glob_t found{};
        ASSERT_EQ(glob((out / "*.deb").c_str(), 0, nullptr, &found), 0);
        const size_t count = found.gl_pathc;
        deb = count > 0 ? found.gl_pathv[0] : "";
        globfree(&found);
        ASSERT_EQ(count, 1U);

        root = scratch / "root";
        const CommandResult unpack = run("dpkg-deb -x " + deb + " " + root.string());
        ASSERT_TRUE(succeeded(unpack)) << unpack.output;
    }
    void TearDown() override
    {
        ProgramTest::TearDown();
        fs::remove_all(scratch);
    }

    fs::path scratch;
    std::string deb;
    fs::path root;
};

} // namespace

TEST_F(Package, InstallsIntoAScratchRootAndRuns)
{
    for (const char *file :
         {"usr/bin/vibrating-string", "usr/share/man/man1/vibrating-string.1.gz",
          "usr/share/applications/vibrating-string.desktop",
          "usr/share/icons/hicolor/scalable/apps/vibrating-string.svg",
          "usr/share/metainfo/io.github.vibrating_string.metainfo.xml", "usr/share/doc/vibrating-string/copyright",
          "usr/share/doc/vibrating-string/changelog.gz"}) {
        EXPECT_TRUE(fs::exists(root / file)) << file;
    }

    // The desktop entry names the icon that the package installs.
    std::ifstream entry(root / "usr/share/applications/vibrating-string.desktop");
    std::string icon;
    for (std::string line; std::getline(entry, line);) {
        if (line.rfind("Icon=", 0) == 0) {
            icon = line.substr(5);
        }
    }
    EXPECT_TRUE(fs::exists(root / "usr/share/icons/hicolor/scalable/apps" / (icon + ".svg"))) << "Icon=" << icon;

    // Its dependencies name the libraries the binary loads.
    const std::string depends = run("dpkg-deb -f " + deb + " Depends").output;
    for (const char *library : {"libgsl", "libglut", "libopengl0", "libglx0"}) {
        EXPECT_NE(depends.find(library), std::string::npos) << library << " missing from: " << depends;
    }

    const std::string installed = (root / "usr/bin/vibrating-string").string();
    ASSERT_NO_FATAL_FAILURE(start(installed, {}, "", installed));
    EXPECT_EQ(window_title(server.display(), window), installed);
    EXPECT_TRUE(wait_until([&] { return match_frame(picture(), model_frame(0)).matches(); }, LIMIT));
}

// Each check runs where its tool is installed; scripts/test installs them all.
TEST_F(Package, DebianToolsAcceptIt)
{
    const std::string binary = (root / "usr/bin/vibrating-string").string();
    const std::string desktop_entry = (root / "usr/share/applications/vibrating-string.desktop").string();
    const std::string metainfo = (root / "usr/share/metainfo/io.github.vibrating_string.metainfo.xml").string();
    const std::string manual_page = (root / "usr/share/man/man1/vibrating-string.1.gz").string();
    const std::vector<std::string> complaints = {"E: ", "W: ", "I: "};

    if (const auto lintian = output_of_success("lintian", "--info --pedantic " + deb)) {
        EXPECT_EQ(lines_tagged(*lintian, complaints), "");
    }
    // Two checks cannot pass for this program alone: no function has a local
    // buffer, so the compiler inserts no stack protector anywhere; and Debian
    // 12 builds neither the program nor its libraries with control-flow
    // protection (dpkg-buildflags gives no -fcf-protection).
    if (const auto hardening = output_of_success("hardening-check", "--nostackprotector --nocfprotection " + binary)) {
        for (const char *line :
             {"Position Independent Executable: yes", "Read-only relocations: yes", "Immediate binding: yes"}) {
            EXPECT_NE(hardening->find(line), std::string::npos) << *hardening;
        }
    }
    if (const auto desktop = output_of_success("desktop-file-validate", desktop_entry)) {
        EXPECT_EQ(*desktop, "");
    }
    if (const auto appstream = output_of_success("appstreamcli", "validate --no-net --pedantic " + metainfo)) {
        EXPECT_EQ(lines_tagged(*appstream, complaints), "") << *appstream;
    }
    if (const auto manual = output_of_success("mandoc", "-Tlint " + manual_page)) {
        EXPECT_EQ(*manual, "");
    }
}
