// A test program that runs a part of itself as a child process: a test
// registers a child's main under a name, starts its own program with
// "--child=<name> args...", and can then kill it as a crash would.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace testsupport {

using TChildMain = std::function<int(const QStringList& args)>;

struct TChildRegistration {
    TChildRegistration(const QString& name, TChildMain main);
};

// The registered child for "--child=<name>" in the arguments, or nothing.
TChildMain ChildMain(int argc, char** argv, QStringList& args);

} // namespace testsupport
