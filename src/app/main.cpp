#include <QCoreApplication>

#include "app/HeadlessProgram.h"

int main(int argc, char** argv) {
    // Until the desktop window exists the program always runs headless.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tarnovex"));
    THeadlessProgram program;
    return program.Run(QCoreApplication::arguments());
}
