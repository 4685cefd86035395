#include <QCoreApplication>
#include <cstdlib>

#include "cli/Cli.h"
#include "logging/SmtpClient.h"

int main(int argc, char** argv) {
    // With TZ unset the C library looks at /etc/localtime again at every local-time conversion, about a
    // dozen system calls per log record of a run. A command of this tool is short, so the zone is read
    // once; a TZ the user set is kept.
    setenv("TZ", ":/etc/localtime", 0);
    QCoreApplication app(argc, argv);
    InitCurlOnce();  // before any run's thread uses libcurl
    return RunCli(QCoreApplication::arguments());
}
