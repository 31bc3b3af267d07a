// The hardening tests enter a private mount namespace first, so that they can mount small and
// read-only file systems that no other process sees. Without the privilege those tests skip.
#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>

namespace mendrake::test {
bool privateMounts = false;
}

int main(int argc, char** argv) {
    mendrake::test::privateMounts =
        unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
