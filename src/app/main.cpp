#include <QApplication>
#include <QCoreApplication>
#include <cstring>

#include "app/HeadlessProgram.h"
#include "app/WindowProgram.h"

namespace {

// The window needs a display; "--headless" asks for the program without a window even where one exists
// (a user service on a desktop machine).
bool WantsWindow(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--headless") == 0)
            return false;
    }
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// "--headless" is no command switch, so it is not handed to a running instance.
QStringList ProgramArguments() {
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeAll(QStringLiteral("--headless"));
    return arguments;
}

}  // namespace

int main(int argc, char** argv) {
    if (WantsWindow(argc, argv)) {
        QApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Tarnovex"));
        TWindowProgram program;
        return program.Run(ProgramArguments());
    }
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tarnovex"));
    THeadlessProgram program;
    return program.Run(ProgramArguments());
}
