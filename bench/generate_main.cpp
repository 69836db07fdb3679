// sudregister-generate BREWERIES PATH: writes a generated register, as the
// benchmarks use, for pictures and trials.
#include "RegisterGenerator.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool number = false;
    const int breweries = args.value(1).toInt(&number);
    if (args.size() != 3 || !number || breweries < 0) {
        std::fprintf(stderr, "usage: sudregister-generate BREWERIES PATH\n");
        return 2;
    }
    const GeneratedRegister made = GenerateRegister(args.at(2), breweries, 1234);
    std::printf("%d breweries, %d history entries in %s\n", made.breweries, made.chroniks, qPrintable(args.at(2)));
    return 0;
}
