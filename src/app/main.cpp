#include <QCoreApplication>

#include "app/HeadlessProgram.h"

int main(int argc, char** argv) {
    // Until the desktop window exists the program always runs headless.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tarnovex"));
    QStringList arguments = QCoreApplication::arguments();
    // "--headless" asks for the program without a window even where a display exists (a user service on
    // a desktop machine); it is no command switch, so it is not handed to a running instance.
    arguments.removeAll(QStringLiteral("--headless"));
    THeadlessProgram program;
    return program.Run(arguments);
}
