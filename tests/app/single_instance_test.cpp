// One program per settings folder: the real program holds the lock while it
// runs, and a lock left by a killed program is taken over.
#include "app/single_instance.h"
#include "support/test_support.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <chrono>
#include <gtest/gtest.h>

namespace {

// Waits (bounded, generously: a busy machine starts a Qt program slowly)
// until `done` holds.
bool WaitFor(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        QThread::msleep(20);
    }
    return true;
}

} // namespace

TEST(SingleInstance, ASecondHolderIsRefusedWhileTheFirstHoldsTheLock) {
    testsupport::TempDir dir;
    const QString folder = QString::fromStdString(dir.path());
    TInstanceLock first(folder);
    ASSERT_TRUE(first.TryAcquire());
    TInstanceLock second(folder);
    EXPECT_FALSE(second.TryAcquire());
}

TEST(SingleInstance, TheRunningProgramHoldsItAndAKilledOneLeavesItToBeTakenOver) {
    testsupport::ScopedUserFolders folders;
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(env);
    program.start(DAYSCRIB_PROGRAM, {});
    ASSERT_TRUE(program.waitForStarted(60000));
    const QString lockFile = QString::fromStdString(folders.configDir()) + "/Dayscrib.lock";
    // The settings file is read after the lock is taken; its folder exists then.
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(lockFile); }));
    {
        TInstanceLock other(QString::fromStdString(folders.configDir()));
        EXPECT_FALSE(other.TryAcquire());
    }
    program.kill(); // SIGKILL: no chance to remove the lock
    ASSERT_TRUE(program.waitForFinished(60000));
    ASSERT_TRUE(QFile::exists(lockFile));
    TInstanceLock next(QString::fromStdString(folders.configDir()));
    EXPECT_TRUE(next.TryAcquire());
}
