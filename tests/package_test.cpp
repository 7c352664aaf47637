// The Debian package: built with CPack from this build, unpacked into a
// scratch root, and the binary it installs run under Xvfb.
#include "program_fixture.h"

#include <glob.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::string command_output(const std::string &command)
{
    std::string output;
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    pclose(pipe);
    return output;
}

class Package : public ProgramTest {
protected:
    void SetUp() override
    {
        char temp[] = "/tmp/vibrating-string-package-XXXXXX";
        ASSERT_NE(mkdtemp(temp), nullptr);
        scratch = temp;
    }
    void TearDown() override
    {
        ProgramTest::TearDown();
        fs::remove_all(scratch);
    }

    fs::path scratch;
};

} // namespace

TEST_F(Package, InstallsIntoAScratchRootAndRuns)
{
    const fs::path out = scratch / "out";
    const fs::path root = scratch / "root";
    ASSERT_EQ(std::system((std::string(CPACK_COMMAND) + " -G DEB -B " + out.string() +
                           " --config " BUILD_DIR "/CPackConfig.cmake >/dev/null")
                              .c_str()),
              0);
    glob_t found{};
    ASSERT_EQ(glob((out / "*.deb").c_str(), 0, nullptr, &found), 0);
    ASSERT_EQ(found.gl_pathc, 1U);
    const std::string deb = found.gl_pathv[0];
    globfree(&found);

    ASSERT_EQ(std::system(("dpkg-deb -x " + deb + " " + root.string()).c_str()), 0);
    EXPECT_TRUE(fs::exists(root / "usr/bin/vibrating-string"));
    EXPECT_TRUE(fs::exists(root / "usr/share/man/man1/vibrating-string.1"));
    EXPECT_TRUE(fs::exists(root / "usr/share/applications/vibrating-string.desktop"));

    // Its dependencies name the libraries the binary loads.
    const std::string depends = command_output("dpkg-deb -f " + deb + " Depends");
    for (const char *library : {"libgsl", "libglut", "libopengl0", "libglx0"}) {
        EXPECT_NE(depends.find(library), std::string::npos) << library << " missing from: " << depends;
    }

    const std::string installed = (root / "usr/bin/vibrating-string").string();
    ASSERT_NO_FATAL_FAILURE(start(installed, {}, "", installed));
    EXPECT_EQ(window_title(server.display(), window), installed);
    EXPECT_TRUE(wait_until([&] { return match_frame(picture(), model_frame(0)).matches(); }, LIMIT));
}
