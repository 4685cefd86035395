#include "cli/Cli.h"

#include <cstdio>

int RunCli(const QStringList& arguments) {
    std::fprintf(stderr, "tarnovex-cli: %d arguments; commands are not built yet\n", int(arguments.size()));
    return 2;
}
