#include "platform/events.h"
#include "support/harness.h"

#include <QApplication>
#include <QCursor>
#include <QTest>
#include <QWindow>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/openat2.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Every test starts with the pointer off every window and no mouse button
// down, as when the test runs alone. A pointer that an earlier test left
// where this test's window comes up is in the window without having come
// in, and a move to where it already is moves nothing: neither is
// reported, as on a real screen. A button left down (a double click sent
// to a widget leaves it so) makes every move a drag.
class PointerOffEveryWindow : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        const QPoint away(-1000, -1000);
        QWindow out;
        out.setGeometry(QRect(away, QSize(10, 10)));
        for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
            if (QTestPrivate::qtestMouseButtons & b) QTest::mouseRelease(&out, b, {}, QPoint(1, 1));
        // From two places, so that the last one is a move wherever the
        // pointer was.
        QCursor::setPos(away + QPoint(1, 1));
        QCursor::setPos(away);
        QApplication::processEvents();
    }
};

// From now on this process's openat2 fails with answer: ENOSYS, as on a
// kernel that has none, or EAGAIN, as when renames elsewhere keep racing
// its walk; whether that now holds.
bool openat2Answers(int answer) {
    sock_filter rules[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_openat2, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | std::uint32_t(answer)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    const sock_fprog program{static_cast<unsigned short>(std::size(rules)), rules};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
        return false;
    open_how how{};
    return ::syscall(SYS_openat2, AT_FDCWD, ".", &how, sizeof how) == -1 && errno == answer;
}

} // namespace

int main(int argc, char** argv) {
    // Before anything opens a file, and before any thread, which would not
    // take the filter.
    if (qEnvironmentVariableIsSet(testing_support::kNoOpenat2)) {
        const bool retry = qgetenv(testing_support::kNoOpenat2) == testing_support::kOpenat2Retry;
        if (!openat2Answers(retry ? EAGAIN : ENOSYS)) {
            std::perror("no filter for openat2");
            return 1;
        }
        std::printf("%s\n",
                    retry ? testing_support::kOpenat2RetrySaid : testing_support::kWithoutOpenat2Said);
        std::fflush(stdout);
    }
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    // The program's own application object, so that tests see events pass
    // through the same dispatch as the program's.
    vb::Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new PointerOffEveryWindow);
    return RUN_ALL_TESTS();
}
