// Test entry for suites that drive real widgets: one QApplication for the
// whole run, on the offscreen platform unless the caller chose another.
#include <QApplication>
#include <gtest/gtest.h>

#ifdef DAYSCRIB_TEST_WITH_APP
#include "app/splash_form.h"
#endif

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#ifdef DAYSCRIB_TEST_WITH_APP
    TSplashFrm::Pause = std::chrono::milliseconds(0);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
