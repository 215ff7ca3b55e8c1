// Stand-in for the installed client and for the sibling installer in tests.
// It records how it was started, then either ends at once (the sibling's
// silent installer, or the client's "unitydel" clean-up call) or keeps
// running like the client so the programs can find and end it by name.

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

std::string baseName(const std::string &p)
{
    // argv[0] may come with either kind of separator through the emulation layer
    std::string::size_type cut = p.find_last_of("/\\");
    return cut == std::string::npos ? p : p.substr(cut + 1);
}

std::string selfExe()
{
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return std::string();
    return std::string(buf, static_cast<size_t>(n));
}

std::string lower(std::string s)
{
    for (char &c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string recordPath(const std::string &argv0)
{
    const char *env = std::getenv("OMBRIX_STANDIN_LOG");
    if (env && *env)
        return env;
    // beside the file it was started as (a copy or a link), else beside the real image
    std::string exe = argv0.find('/') != std::string::npos && argv0.find('\\') == std::string::npos
                          ? argv0
                          : selfExe();
    std::string::size_type cut = exe.find_last_of('/');
    std::string dir = cut == std::string::npos ? std::string(".") : exe.substr(0, cut);
    if (dir.empty())
        dir = "/";
    return dir + "/standin.log";
}

void record(const std::string &path, const std::string &line)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    // one write, so lines of processes started together do not interleave
    ssize_t r;
    do {
        r = write(fd, line.data(), line.size());
    } while (r < 0 && errno == EINTR);
    close(fd);
}

} // namespace

int main(int argc, char **argv)
{
    std::string argv0 = argc > 0 && argv[0] ? argv[0] : std::string();
    std::string name = baseName(argv0.empty() ? selfExe() : argv0);

    std::string line = name + "\t" + std::to_string(static_cast<long>(getpid())) + "\t";
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line += "\t";
        line += argv[i];
    }
    line += "\n";
    record(recordPath(argv0), line);

    if (lower(name) == "fbsetup.exe" || (argc > 1 && std::strcmp(argv[1], "unitydel") == 0))
        return 0;

    // a parent may hand down ignored signals; the client must still end on request
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGHUP, SIG_DFL);
    sigset_t all;
    sigemptyset(&all);
    sigaddset(&all, SIGTERM);
    sigaddset(&all, SIGINT);
    sigaddset(&all, SIGHUP);
    sigprocmask(SIG_UNBLOCK, &all, nullptr);
    for (;;)
        pause();
}
