#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

namespace norvelle::test {

// An ordinary user for tests of what permissions forbid: root may read and write anything,
// so a test running as root makes a system user of its own for the duration and runs the
// code under test as that user in a child process. When the tests do not run as root,
// permissions already bind, and the user is the current one: nothing is created.
//
//     test::ThrowAwayUser user;
//     if (!user.ready()) GTEST_SKIP() << user.whyNot();
//     user.give(dir.path());  // may write there
//     const int status = user.run([] { return access("f", R_OK) == 0 ? 0 : 1; });
//     EXPECT_EQ(WEXITSTATUS(status), 1);
class ThrowAwayUser {
public:
    ThrowAwayUser();   // useradd --system, as root; else the current user
    ~ThrowAwayUser();  // userdel, once every child of the test has ended
    ThrowAwayUser(const ThrowAwayUser&) = delete;
    ThrowAwayUser& operator=(const ThrowAwayUser&) = delete;

    bool ready() const { return m_ready; }
    const std::string& whyNot() const { return m_whyNot; }  // when not ready, for GTEST_SKIP
    const std::string& name() const { return m_name; }
    uid_t uid() const { return m_uid; }
    gid_t gid() const { return m_gid; }

    // Makes the user the owner of a file or folder (not what is inside), so that it may
    // write there; a no-op for the current user.
    void give(const std::string& path) const;

    // In a child process after fork(): takes on the user's ids for good, supplementary
    // groups dropped. Returns 0 or an errno; the child should end at once on failure.
    int become() const;

    // Runs `body` in a forked child as the user and returns the child's wait status: the
    // exit code is body's result, or 125 when the ids could not be changed.
    int run(const std::function<int()>& body) const;

private:
    bool m_created = false;
    bool m_ready = false;
    std::string m_whyNot;
    std::string m_name;
    uid_t m_uid = 0;
    gid_t m_gid = 0;
};

}  // namespace norvelle::test
