#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <cstring>

#include "app/HeadlessProgram.h"
#include "app/WindowProgram.h"

namespace {

// Whether a display seems reachable. A local X display (":0") or a Wayland display is a socket that must
// exist: a DISPLAY left over in a service's or an SSH session's environment must not make the program end
// at start because the toolkit cannot connect. A remote X display, or a platform chosen through
// QT_QPA_PLATFORM, is trusted.
bool DisplayAvailable() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return true;
    const QString wayland = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (!wayland.isEmpty()) {
        const QString socket = wayland.startsWith(QLatin1Char('/'))
                                   ? wayland
                                   : qEnvironmentVariable("XDG_RUNTIME_DIR") + '/' + wayland;
        if (QFileInfo::exists(socket))
            return true;
    }
    const QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty())
        return false;
    if (!display.startsWith(QLatin1Char(':')))
        return true;
    const QString number = display.mid(1).section(QLatin1Char('.'), 0, 0);
    return QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X") + number);
}

// The window needs a display; "--headless" asks for the program without a window even where one exists
// (a user service on a desktop machine).
bool WantsWindow(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--headless") == 0)
            return false;
    }
    return DisplayAvailable();
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
