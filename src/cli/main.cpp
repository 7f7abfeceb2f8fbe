// mountwell-frame: frames photos from the command line with the desktop program's core.
#include "cli/batch.h"
#include "cli/cli_options.h"

#include <QCoreApplication>

#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    const mw::cli::ParseResult parsed = mw::cli::parseArguments(args);
    if (!parsed.options) {
        std::cerr << "mountwell-frame: " << parsed.error << "\n";
        return 2;
    }
    QCoreApplication app(argc, argv);  // for the program folder
    mw::cli::Environment env;
    env.programFolder = QCoreApplication::applicationDirPath().toStdString() + "/";
    env.out = &std::cout;
    env.err = &std::cerr;
    env.progressLine = isatty(STDERR_FILENO) != 0;
    env.cores = int(std::max(1u, std::thread::hardware_concurrency()));
    return mw::cli::run(*parsed.options, env);
}
