// Lays out a program folder for the monitor.
//   mkprogramdir <program folder> [<folder whose files are copied in>]
#include "params/programfolder.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: mkprogramdir <program folder> [<files to copy in>]\n");
        return 2;
    }
    if (!LayOutProgramFolder(args.at(1), args.value(2))) {
        std::fprintf(stderr, "mkprogramdir: the program folder is incomplete (see the messages above)\n");
        return 1;
    }
    return 0;
}
