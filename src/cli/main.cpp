#include <QCoreApplication>

#include "cli/Cli.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return RunCli(QCoreApplication::arguments());
}
