// Starts a test server, says where it runs, and aborts as a failing test
// program may, leaving its destructors unrun.
#include "PgTestServer.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    PgTestServer server;
    if (!server.started()) {
        std::fprintf(stderr, "%s\n", qPrintable(server.problem()));
        return 1;
    }
    QFile pid(server.socketDir() + QStringLiteral("/data/postmaster.pid"));
    if (!pid.open(QIODevice::ReadOnly))
        return 1;
    std::printf("%s\n%s\n", pid.readLine().trimmed().constData(), qPrintable(server.socketDir()));
    std::fflush(stdout);
    std::abort();
}
