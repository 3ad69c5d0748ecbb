// Test entry for suites that drive real widgets: one QApplication for the
// whole run, on the offscreen platform unless the caller chose another.
// Started with "--child=<name>", the program runs that registered child
// instead of the tests (see child_process.h).
#include "support/child_process.h"

#include <QApplication>
#include <gtest/gtest.h>
#include <map>

namespace testsupport {

namespace {
std::map<QString, TChildMain>& Children() {
    static std::map<QString, TChildMain> children;
    return children;
}
} // namespace

TChildRegistration::TChildRegistration(const QString& name, TChildMain main) {
    Children()[name] = std::move(main);
}

TChildMain ChildMain(int argc, char** argv, QStringList& args) {
    if (argc < 2 || std::string(argv[1]).rfind("--child=", 0) != 0) return {};
    for (int i = 2; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const auto it = Children().find(QString::fromLocal8Bit(argv[1] + 8));
    return it == Children().end() ? TChildMain() : it->second;
}

} // namespace testsupport

#ifdef DAYSCRIB_TEST_WITH_APP
#include "app/splash_form.h"
#endif

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#ifdef DAYSCRIB_TEST_WITH_APP
    TSplashFrm::Pause = std::chrono::milliseconds(0);
#endif
    QStringList childArgs;
    if (testsupport::TChildMain child = testsupport::ChildMain(argc, argv, childArgs))
        return child(childArgs);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
