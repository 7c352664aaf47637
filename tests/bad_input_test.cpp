// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up failures are GLUT's to report: a message on stderr and a
// non-zero exit, promptly, never a hang or a signal.
// gtest before Xlib, whose None and Bool macros break gtest.
#include <gtest/gtest.h>

#include "x_session.h"

#include <sys/wait.h>

#include <stdexcept>

namespace {

const Seconds LIMIT(10);

void expect_glut_failure(Process &program, const std::string &message)
{
    const int status = program.wait_exit(LIMIT);
    ASSERT_NE(status, -1) << "still running after " << LIMIT.count() << " s";
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_NE(WEXITSTATUS(status), 0);
    EXPECT_NE(program.stderr_text().find(message), std::string::npos) << program.stderr_text();
    EXPECT_FALSE(program.sanitizer_reported()) << program.stderr_text();
}

} // namespace

TEST(BadInput, NoDisplayAtAll)
{
    Process program(VIBRATING_STRING, VIBRATING_STRING, {}, "");
    expect_glut_failure(program, "failed to open display");
}

TEST(BadInput, DisplayOptionWithoutName)
{
    XServer server;
    Process program(VIBRATING_STRING, VIBRATING_STRING, {"-display"}, server.name());
    expect_glut_failure(program, "-display parameter must be followed by display name");
}

TEST(BadInput, ZeroSizedGeometry)
{
    XServer server;
    Process program(VIBRATING_STRING, VIBRATING_STRING, {"-geometry", "0x0"}, server.name());
    expect_glut_failure(program, "BadValue");
}

// The harness's own unhappy path: a program that cannot be started says why
// at once, rather than as a window that never appears.
TEST(BadInput, AProgramThatCannotStartIsReportedAtOnce)
{
    try {
        Process program(VIBRATING_STRING ".missing", VIBRATING_STRING, {}, "");
        FAIL() << "started a program that does not exist";
    } catch (const std::runtime_error &error) {
        EXPECT_NE(std::string(error.what()).find("No such file or directory"), std::string::npos) << error.what();
    }
}
