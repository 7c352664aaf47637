// SPDX-License-Identifier: GPL-3.0-or-later
#include "x_session.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

// exec takes char *, which only a string that is not const gives.
// cppcheck-suppress constParameterReference
std::vector<char *> c_strings(std::vector<std::string> &strings)
{
    std::vector<char *> pointers(strings.size() + 1, nullptr);
    for (size_t i = 0; i < strings.size(); ++i) {
        pointers[i] = strings[i].data();
    }
    return pointers;
}

std::vector<std::string> current_environment()
{
    std::vector<std::string> env;
    for (char **e = environ; *e != nullptr; ++e) {
        env.emplace_back(*e);
    }
    return env;
}

// This process's environment with DISPLAY replaced (or removed if empty),
// the redraw counter preloaded, and the sanitizer build's settings.
std::vector<std::string> environment_for(const std::string &display, const std::string &count_file)
{
    std::vector<std::string> env = current_environment();
    const auto is_display = [](const std::string &e) { return e.rfind("DISPLAY=", 0) == 0; };
    env.erase(std::remove_if(env.begin(), env.end(), is_display), env.end());
    if (!display.empty()) {
        env.push_back("DISPLAY=" + display);
    }
    env.push_back("FLUSH_COUNT_FILE=" + count_file);
#ifdef PROGRAM_PRELOAD
    env.emplace_back("LSAN_OPTIONS=suppressions=" PROGRAM_SANITIZER_SUPPRESSIONS);
    env.emplace_back("ASAN_OPTIONS=verify_asan_link_order=0");
    env.emplace_back("LD_PRELOAD=" PROGRAM_PRELOAD ":" FLUSH_COUNTER);
#else
    env.emplace_back("LD_PRELOAD=" FLUSH_COUNTER);
#endif
    return env;
}

// A new empty file /tmp/vibrating-string-WHAT-XXXXXX, opened for writing.
int make_temp_file(const std::string &what, std::string &path)
{
    std::string name = "/tmp/vibrating-string-" + what + "-XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        throw std::runtime_error("mkstemp failed");
    }
    path = name;
    return fd;
}

// Starts `argv` with its stderr on `stderr_fd` (and in `workdir`, where one
// is given); a program that cannot be started is reported here and now.
pid_t spawn(const std::string &path, std::vector<std::string> argv, std::vector<std::string> env, int stderr_fd,
            const std::string &workdir = "")
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, stderr_fd, STDERR_FILENO);
    if (!workdir.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, workdir.c_str());
    }
    pid_t pid = -1;
    const int error =
        posix_spawnp(&pid, path.c_str(), &actions, nullptr, c_strings(argv).data(), c_strings(env).data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        throw std::runtime_error("cannot start " + path + (workdir.empty() ? "" : " in " + workdir) + ": " +
                                 std::strerror(error));
    }
    return pid;
}

void stop_and_reap(pid_t pid)
{
    if (pid <= 0) {
        return;
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// Windows of the program come and go under the tests' feet; a request on
// one that is gone must not end the test process, as Xlib's default does.
int ignore_x_error(Display * /*display*/, XErrorEvent * /*error*/)
{
    return 0;
}

// GLUT sleeps in select(), which C libraries make with either system call.
bool is_select(long number)
{
#ifdef SYS_select
    if (number == SYS_select) {
        return true;
    }
#endif
    return number == SYS_pselect6;
}

} // namespace

bool wait_until(const std::function<bool()> &done, Seconds limit)
{
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(limit);
    for (;;) {
        if (done()) {
            return true;
        }
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

XServer::XServer()
{
    int fds[2];
    if (pipe(fds) != 0) {
        throw std::runtime_error("pipe failed");
    }
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    // Quiet its notes about displays already taken while it looks for a free one.
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    try {
        pid_ = spawn("Xvfb",
                     {"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"},
                     current_environment(), null);
    } catch (...) {
        close(null);
        close(fds[0]);
        close(fds[1]);
        throw;
    }
    close(null);
    close(fds[1]);

    // Xvfb writes its display number once it accepts connections.
    std::string number;
    pollfd ready = {fds[0], POLLIN, 0};
    while (poll(&ready, 1, 20000) > 0) {
        char c = 0;
        if (read(fds[0], &c, 1) != 1 || c == '\n') {
            break;
        }
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        stop_and_reap(pid_);
        throw std::runtime_error("Xvfb did not start");
    }
    name_ = ":" + number;
    XSetErrorHandler(ignore_x_error);
    display_ = XOpenDisplay(name_.c_str());
    if (display_ == nullptr) {
        stop_and_reap(pid_);
        throw std::runtime_error("cannot connect to " + name_);
    }
}

XServer::~XServer()
{
    kill_now();
}

void XServer::kill_now()
{
    if (display_ != nullptr) {
        XCloseDisplay(display_);
        display_ = nullptr;
    }
    stop_and_reap(pid_);
    pid_ = -1;
}

Process::Process(const std::string &path, const std::string &argv0, const std::vector<std::string> &args,
                 const std::string &display, const std::string &workdir)
{
    const int err = make_temp_file("stderr", stderr_path_);
    close(make_temp_file("redraws", count_path_));

    std::vector<std::string> argv = {argv0};
    argv.insert(argv.end(), args.begin(), args.end());
    try {
        pid_ = spawn(path, argv, environment_for(display, count_path_), err, workdir);
    } catch (...) {
        close(err);
        unlink(stderr_path_.c_str());
        unlink(count_path_.c_str());
        throw;
    }
    close(err);
}

Process::~Process()
{
    if (status_ == -1) {
        stop_and_reap(pid_);
    }
    unlink(stderr_path_.c_str());
    unlink(count_path_.c_str());
}

std::uint64_t Process::redraws() const
{
    std::uint64_t count = 0;
    std::ifstream in(count_path_, std::ios::binary);
    in.read(reinterpret_cast<char *>(&count), sizeof count);
    return in ? count : 0;
}

bool Process::waiting_for_events() const
{
    const std::string proc = "/proc/" + std::to_string(pid_);
    // The state follows the command name, which is in parentheses.
    std::ifstream stat_file(proc + "/stat");
    const std::string stat((std::istreambuf_iterator<char>(stat_file)), std::istreambuf_iterator<char>());
    const size_t name_end = stat.rfind(')');
    std::ifstream syscall_file(proc + "/syscall");
    long number = -1;
    syscall_file >> number;
    return name_end != std::string::npos && name_end + 2 < stat.size() && stat[name_end + 2] == 'S' &&
           is_select(number);
}

int Process::wait_exit(Seconds limit)
{
    if (status_ == -1) {
        wait_until([&] { return waitpid(pid_, &status_, WNOHANG) == pid_; }, limit);
    }
    return status_;
}

std::string Process::stderr_text() const
{
    std::ifstream in(stderr_path_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool Process::sanitizer_reported() const
{
    const std::string text = stderr_text();
    return text.find("Sanitizer") != std::string::npos || text.find("runtime error:") != std::string::npos;
}

long Process::resident_kib() const
{
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

std::string window_title(Display *display, Window window)
{
    char *name = nullptr;
    std::string title;
    if (XFetchName(display, window, &name) != 0 && name != nullptr) {
        title = name;
        XFree(name);
    }
    return title;
}

Window find_window(Display *display, const std::string &title, Seconds limit)
{
    Window found = 0;
    wait_until(
        [&] {
            Window root = 0;
            Window parent = 0;
            Window *children = nullptr;
            unsigned count = 0;
            XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
            for (unsigned i = 0; i < count && found == 0; ++i) {
                XWindowAttributes attributes;
                if (XGetWindowAttributes(display, children[i], &attributes) != 0 &&
                    attributes.map_state == IsViewable && window_title(display, children[i]) == title) {
                    found = children[i];
                }
            }
            if (children != nullptr) {
                XFree(children);
            }
            return found != 0;
        },
        limit);
    return found;
}

Picture read_window(Display *display, Window window)
{
    Picture picture;
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes) == 0) {
        return picture;
    }
    const Window root = DefaultRootWindow(display);
    int left = 0;
    int top = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, root, 0, 0, &left, &top, &child);

    picture.width = attributes.width;
    picture.height = attributes.height;
    picture.rgb.assign(static_cast<size_t>(picture.width) * picture.height, 0);
    picture.known.assign(picture.rgb.size(), 0);

    // The window may hang over the screen's edge (GLUT's default position
    // is -1,-1), so read the part of the screen it covers.
    const int x0 = std::max(left, 0);
    const int y0 = std::max(top, 0);
    const int x1 = std::min(left + picture.width, DisplayWidth(display, DefaultScreen(display)));
    const int y1 = std::min(top + picture.height, DisplayHeight(display, DefaultScreen(display)));
    if (x1 <= x0 || y1 <= y0) {
        return picture;
    }
    XImage *image = XGetImage(display, root, x0, y0, x1 - x0, y1 - y0, AllPlanes, ZPixmap);
    if (image == nullptr) {
        return picture;
    }
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const size_t index = static_cast<size_t>(y - top) * picture.width + (x - left);
            picture.rgb[index] = XGetPixel(image, x - x0, y - y0) & 0xffffffUL;
            picture.known[index] = 1;
        }
    }
    XDestroyImage(image);
    return picture;
}

void send_delete_request(Display *display, Window window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
}

void point_at(Display *display, Window window)
{
    XWindowAttributes attributes;
    XGetWindowAttributes(display, window, &attributes);
    int x = 0;
    int y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), attributes.width / 2, attributes.height / 2, &x,
                          &y, &child);
    XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
}

void send_button(Display *display, Window window, unsigned button, bool press)
{
    point_at(display, window);
    XTestFakeButtonEvent(display, button, press ? True : False, CurrentTime);
    XSync(display, False);
}

void send_key(Display *display, Window window, KeySym key)
{
    point_at(display, window);
    const KeyCode code = XKeysymToKeycode(display, key);
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, code, False, CurrentTime);
    XSync(display, False);
}

bool expose_and_wait(Display *display, Window window, Seconds limit)
{
    const int corner = 8; // clear of the string in any window this size
    GC gc = XCreateGC(display, window, 0, nullptr);
    XSetForeground(display, gc, BlackPixel(display, DefaultScreen(display)));
    XFillRectangle(display, window, gc, 2, 2, corner, corner);
    XFreeGC(display, gc);
    XClearArea(display, window, 0, 0, 0, 0, True);
    XSync(display, False);
    return wait_until(
        [&] {
            const Picture picture = read_window(display, window);
            return picture.at(2 + corner / 2, 2 + corner / 2) == 0xffffffUL;
        },
        limit);
}
