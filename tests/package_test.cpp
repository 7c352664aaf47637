// SPDX-License-Identifier: GPL-3.0-or-later
// The Debian package that CPack built from this build (the Package.Build
// fixture): its files, what Debian's tools say of it, and the binary it
// installs run under Xvfb.
#include "command.h"
#include "program_fixture.h"

#include <glob.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool installed(const std::string &tool)
{
    return succeeded(run("command -v " + tool + " >/dev/null"));
}

std::string not_installed(const std::string &tool)
{
    return tool + " is not installed (scripts/deps package installs it)";
}

// Runs `tool arguments` and expects it to succeed; its output.
std::string output_of_success(const std::string &tool, const std::string &arguments)
{
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

// The package that the Package.Build fixture made from this build, unpacked
// into a scratch root.
class Package : public testing::Test {
protected:
    void SetUp() override
    {
        glob_t found{};
        ASSERT_EQ(glob(PACKAGE_DIR "/*.deb", 0, nullptr, &found), 0) << "no package in " PACKAGE_DIR;
        const size_t count = found.gl_pathc;
        deb = count > 0 ? found.gl_pathv[0] : "";
        globfree(&found);
        ASSERT_EQ(count, 1U);

        char temp[] = "/tmp/vibrating-string-package-XXXXXX";
        ASSERT_NE(mkdtemp(temp), nullptr);
        root = temp;
        const CommandResult unpack = run("dpkg-deb -x " + deb + " " + root.string());
        ASSERT_TRUE(succeeded(unpack)) << unpack.output;
    }
    void TearDown() override { fs::remove_all(root); }

    // An installed file's text; a .gz one uncompressed.
    std::string installed_text(const std::string &file) const
    {
        const std::string path = (root / file).string();
        return file.size() > 3 && file.substr(file.size() - 3) == ".gz" ? run("zcat " + path).output
                                                                        : run("cat " + path).output;
    }

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

    // Its dependencies name the libraries the binary calls, and only those:
    // none that the build machine's development files happened to add.
    const std::string depends = run("dpkg-deb -f " + deb + " Depends").output;
    for (const char *library : {"libgsl", "libglut", "libopengl0"}) {
        EXPECT_NE(depends.find(library), std::string::npos) << library << " missing from: " << depends;
    }
    for (const char *library : {"libxi6", "libglx0", "libstdc++6"}) {
        EXPECT_EQ(depends.find(library), std::string::npos) << library << " in: " << depends;
    }
    const std::string installed = (root / "usr/bin/vibrating-string").string();
    EXPECT_EQ(run("ldd -u -r " + installed).output, "");

    XServer server;
    Process program(installed, installed, {}, server.name());
    const Window window = find_window(server.display(), installed, LIMIT);
    ASSERT_NE(window, 0UL) << "no window; stderr: " << program.stderr_text();
    EXPECT_TRUE(wait_until([&] { return match_frame(read_window(server.display(), window), model_frame(0)).matches(); },
                           LIMIT));
}

// Every installed file that names the version or the release date names
// project()'s version and the project's one release date, and every member
// of the package is dated that moment.
TEST_F(Package, VersionAndDateAgreeWithTheProject)
{
    const std::string version = PROJECT_VERSION;
    const std::string date = RELEASE_DATE;
    EXPECT_EQ(run("dpkg-deb -f " + deb + " Version").output, version + "\n");
    EXPECT_NE(installed_text("usr/share/man/man1/vibrating-string.1.gz")
                  .find(".TH VIBRATING-STRING 1 " + date + " \"vibrating-string " + version + "\""),
              std::string::npos);
    EXPECT_NE(installed_text("usr/share/metainfo/io.github.vibrating_string.metainfo.xml")
                  .find("<release version=\"" + version + "\" date=\"" + date + "\"/>"),
              std::string::npos);

    const std::string changelog = installed_text("usr/share/doc/vibrating-string/changelog.gz");
    EXPECT_EQ(changelog.rfind("vibrating-string (" + version + ") ", 0), 0U) << changelog;
    const std::string epoch = SOURCE_DATE_EPOCH;
    const std::string released = run("date -u -R -d @" + epoch).output;
    EXPECT_NE(changelog.find("  " + released), std::string::npos) << changelog << "\nwants " << released;

    const std::string stamp = run("date -u -d @" + epoch + " '+%Y-%m-%d %H:%M'").output;
    std::istringstream members(run("TZ=UTC dpkg-deb -c " + deb).output);
    for (std::string member; std::getline(members, member);) {
        EXPECT_NE(member.find(stamp.substr(0, stamp.size() - 1)), std::string::npos) << member << "\nwants " << stamp;
    }
}

// A second build of the same source, in a directory at another path and in
// another time zone and locale, packs into the same bytes.
TEST_F(Package, AnotherBuildDirectoryGivesTheSameBytes)
{
    const fs::path elsewhere = root / "another build";
    const std::string quoted = "'" + elsewhere.string() + "'";
    // The build's paths and options joined with `+`, not pasted between
    // literals, which cppcheck takes for an unknown macro.
    const std::string epoch = SOURCE_DATE_EPOCH;
    const std::string cmake = CMAKE_COMMAND;
    const std::string cpack = CPACK_COMMAND;
    const std::string source = SOURCE_DIR;
    const std::string options = BUILD_OPTIONS;
    const CommandResult second =
        run("umask 022 && export TZ=Pacific/Kiritimati LC_ALL=C SOURCE_DATE_EPOCH=" + epoch + " && " + cmake + " -S " +
            source + " -B " + quoted + " " + options + " >/dev/null && " + cmake + " --build " + quoted +
            " --target vibrating-string compressed_docs >/dev/null && cd " + quoted + " && " + cpack +
            " -G DEB -B package >/dev/null");
    ASSERT_TRUE(succeeded(second)) << second.output;
    const std::string again = (elsewhere / "package" / fs::path(deb).filename()).string();
    const CommandResult compared = run("cmp " + deb + " '" + again + "'");
    EXPECT_TRUE(succeeded(compared))
        << compared.output << run("command -v diffoscope >/dev/null && diffoscope " + deb + " '" + again + "'").output;
}

// Each of Debian's tools on the package, skipped by name where it is not
// installed; scripts/test installs them all, and fails on any skip.

TEST_F(Package, LintianFindsNothing)
{
    if (!installed("lintian")) {
        GTEST_SKIP() << not_installed("lintian");
    }
    const std::vector<std::string> complaints = {"E: ", "W: ", "I: "};
    EXPECT_EQ(lines_tagged(output_of_success("lintian", "--info --pedantic " + deb), complaints), "");
}

TEST_F(Package, HardeningCheckFindsEveryProtectionThatApplies)
{
    if (!installed("hardening-check")) {
        GTEST_SKIP() << not_installed("hardening-check");
    }
    const std::string binary = (root / "usr/bin/vibrating-string").string();
    // hardening-check fails on any item it does not find. Those that cannot
    // apply here are let through, each for its reason; the rest must be found.
    const std::string flags = HARDENING_FLAGS;
    std::vector<std::string> may_be_missing = {
        // No function of the program has a local buffer, so the compiler
        // inserts no stack protector anywhere.
        "Stack protected",
    };
    // Control-flow protection shows in a program only where every object
    // linked into it has it: not where this release's dpkg-buildflags asks
    // for none on this architecture (Debian 12 on amd64), nor where the C
    // start files lack it (Debian 13's on amd64, so that no program of
    // Debian's own has it either).
    std::string start_file = run(CXX_COMPILER " -print-file-name=crt1.o").output;
    start_file.erase(start_file.find_last_not_of(" \n") + 1);
    const std::string start_notes = run("readelf -n " + start_file).output;
    const bool start_files_protected =
        start_notes.find("IBT") != std::string::npos || start_notes.find("BTI") != std::string::npos;
    if (!start_files_protected || (flags.find("-fcf-protection") == std::string::npos &&
                                   flags.find("-mbranch-protection") == std::string::npos)) {
        may_be_missing.insert(may_be_missing.end(), {"Control flow integrity", "Branch Protection"});
    }
    if (flags.find("-fstack-clash-protection") == std::string::npos) {
        may_be_missing.emplace_back("Stack clash protection");
    }
    const std::string report = run("hardening-check " + binary).output;
    for (const char *line :
         {"Position Independent Executable: yes", "Read-only relocations: yes", "Immediate binding: yes"}) {
        EXPECT_NE(report.find(line), std::string::npos) << report;
    }
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);) {
        const size_t colon = line.find(": no");
        if (colon == std::string::npos) {
            continue;
        }
        const std::string item = line.substr(line.find_first_not_of(' '), colon - line.find_first_not_of(' '));
        EXPECT_NE(std::find(may_be_missing.begin(), may_be_missing.end(), item), may_be_missing.end())
            << "hardening-check: " << line << "\n(built with: " << flags << ")";
    }
}

// The desktop entry and the AppStream metadata speak every language of the
// page's catalogs (TRANSLATIONS, their locales), and Debian's tools find
// nothing to say of them.
std::vector<std::string> translations()
{
    std::istringstream words(TRANSLATIONS);
    return {std::istream_iterator<std::string>(words), std::istream_iterator<std::string>()};
}

TEST_F(Package, DesktopEntryIsTranslatedAndValidates)
{
    if (!installed("desktop-file-validate")) {
        GTEST_SKIP() << not_installed("desktop-file-validate");
    }
    const std::string desktop_entry = (root / "usr/share/applications/vibrating-string.desktop").string();
    EXPECT_EQ(output_of_success("desktop-file-validate", desktop_entry), "");
    const std::string text = installed_text("usr/share/applications/vibrating-string.desktop");
    ASSERT_GE(translations().size(), 7U) << TRANSLATIONS;
    for (const std::string &locale : translations()) {
        for (const char *key : {"Name", "GenericName", "Comment", "Keywords"}) {
            EXPECT_NE(text.find(std::string("\n") + key + "[" + locale + "]="), std::string::npos)
                << key << "[" << locale << "]";
        }
    }
}

TEST_F(Package, AppStreamDataIsTranslatedAndValidates)
{
    if (!installed("appstreamcli")) {
        GTEST_SKIP() << not_installed("appstreamcli");
    }
    const std::string metainfo = (root / "usr/share/metainfo/io.github.vibrating_string.metainfo.xml").string();
    const std::string report = output_of_success("appstreamcli", "validate --no-net --pedantic " + metainfo);
    EXPECT_EQ(lines_tagged(report, {"E: ", "W: ", "I: "}), "") << report;
    const std::string text = installed_text("usr/share/metainfo/io.github.vibrating_string.metainfo.xml");
    for (const std::string &locale : translations()) {
        for (const char *element : {"<name", "<summary", "<p"}) {
            EXPECT_NE(text.find(std::string(element) + " xml:lang=\"" + locale + "\">"), std::string::npos)
                << element << " in " << locale;
        }
    }
}

TEST_F(Package, ManualPageIsClean)
{
    if (!installed("mandoc")) {
        GTEST_SKIP() << not_installed("mandoc");
    }
    const std::string manual_page = (root / "usr/share/man/man1/vibrating-string.1.gz").string();
    EXPECT_EQ(output_of_success("mandoc", "-Tlint " + manual_page), "");
}
