#include "support/ThrowAwayUser.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

namespace norvelle::test {

namespace {

// Runs a system tool quietly; returns its exit code, or -1 when it could not run.
int runTool(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// useradd and userdel lock the user database; tests running side by side may meet there.
int runToolPatiently(const std::vector<std::string>& args) {
    int code = -1;
    for (int attempt = 0; attempt < 50; ++attempt) {
        code = runTool(args);
        if (code != 1 && code != 10) return code;  // 1, 10: the database was locked
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return code;
}

}  // namespace

ThrowAwayUser::ThrowAwayUser() {
    if (::geteuid() != 0) {
        m_uid = ::getuid();
        m_gid = ::getgid();
        if (const passwd* pw = ::getpwuid(m_uid)) m_name = pw->pw_name;
        m_ready = true;
        return;
    }
    static std::atomic<int> serial{0};
    m_name = "norvelle-test-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
    const int code = runToolPatiently({"useradd", "--system", "--no-create-home", "--user-group",
                                       "--shell", "/usr/sbin/nologin", m_name});
    if (code != 0) {
        m_whyNot = "running as root, and useradd could not make a user to drop to (exit " +
                   std::to_string(code) + ")";
        return;
    }
    m_created = true;
    const passwd* pw = ::getpwnam(m_name.c_str());
    if (!pw) {
        m_whyNot = "useradd made " + m_name + ", but it cannot be looked up";
        return;
    }
    m_uid = pw->pw_uid;
    m_gid = pw->pw_gid;
    m_ready = true;
}

ThrowAwayUser::~ThrowAwayUser() {
    if (m_created) runToolPatiently({"userdel", m_name});
}

void ThrowAwayUser::give(const std::string& path) const {
    if (m_created) (void)::chown(path.c_str(), m_uid, m_gid);
}

int ThrowAwayUser::become() const {
    if (!m_created) return 0;
    if (::setgroups(0, nullptr) != 0 || ::setgid(m_gid) != 0 || ::setuid(m_uid) != 0)
        return errno;
    return 0;
}

int ThrowAwayUser::run(const std::function<int()>& body) const {
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) ::_exit(become() != 0 ? 125 : body());
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

}  // namespace norvelle::test
