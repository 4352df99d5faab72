// The IO board simulator as a program, to run the monitor against it by hand:
//
//   boardsim [--link <path>] [--inputs <hex>]
//
// prints the pseudo-terminal that stands for the board's port (and links it
// at <path>, e.g. <root>/dev/ttyS0 for a monitor started with
// INMOLD_SYSROOT=<root>), answers the monitor, prints every change of the
// outputs and takes commands on standard input (type "help").
#include "boardsim.h"

#include <QRandomGenerator>
#include <QTextStream>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace {
volatile std::sig_atomic_t gStop = 0;
void onSignal(int) { gStop = 1; }

const char* kHelp =
    "in <hex>          set all input bits\n"
    "on <n> | off <n>  set or clear input n\n"
    "temp <i> <value>  temperature i (0..15)\n"
    "garbage <n>       n random bytes before the next answer\n"
    "badsum | noend    spoil the next answer (wrong sum, no 0xF5)\n"
    "split <k>         cut the next answer after k bytes\n"
    "merge <n>         send the next n answers in one write\n"
    "silent on|off     stop or resume answering\n"
    "status            inputs, outputs and frames seen\n"
    "quit\n";

void command(BoardSim& sim, const std::string& line)
{
    QTextStream in(QByteArray::fromStdString(line));
    QString word;
    in >> word;
    if (word == "in") {
        QString v;
        in >> v;
        sim.setInputs(v.toInt(nullptr, 16));
    } else if (word == "on" || word == "off") {
        int n = -1;
        in >> n;
        if (n >= 0 && n < 10)
            sim.setInput(n, word == "on");
    } else if (word == "temp") {
        int i = -1;
        float v = 0;
        in >> i >> v;
        if (i >= 0 && i < 16)
            sim.setTemperature(i, v);
    } else if (word == "garbage") {
        int n = 0;
        in >> n;
        QByteArray junk(qBound(0, n, 4096), '\0');
        for (char& c : junk)
            c = char(QRandomGenerator::global()->bounded(256));
        sim.injectGarbage(junk);
    } else if (word == "badsum") {
        sim.corruptNextReply(BoardSim::Fault::WrongSum);
    } else if (word == "noend") {
        sim.corruptNextReply(BoardSim::Fault::MissingEnd);
    } else if (word == "split") {
        int k = 3;
        in >> k;
        sim.splitNextReply(k);
    } else if (word == "merge") {
        int n = 2;
        in >> n;
        sim.mergeNextReplies(n);
    } else if (word == "silent") {
        QString v;
        in >> v;
        sim.setSilent(v != "off");
    } else if (word == "status") {
        std::printf("inputs 0x%03x outputs 0x%03x polls %d sets %d temperature reads %d bad bytes %llu\n",
                    sim.inputs(), sim.outputs(), sim.countCommand(2), sim.countCommand(1),
                    sim.countCommand(3) + sim.countCommand(4), (unsigned long long)sim.badHostBytes());
    } else if (word == "help") {
        std::fputs(kHelp, stdout);
    } else if (!word.isEmpty()) {
        std::printf("unknown command (help lists them)\n");
    }
    std::fflush(stdout);
}
} // namespace

int main(int argc, char** argv)
{
    QString linkPath;
    int inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--link" && i + 1 < argc)
            linkPath = QString::fromLocal8Bit(argv[++i]);
        else if (a == "--inputs" && i + 1 < argc)
            inputs = QString::fromLocal8Bit(argv[++i]).toInt(nullptr, 16);
        else {
            std::fprintf(stderr, "usage: boardsim [--link <path>] [--inputs <hex>]\n");
            return 2;
        }
    }

    BoardSim sim;
    if (!sim.open()) {
        std::fprintf(stderr, "boardsim: no pseudo-terminal: %s\n", qPrintable(sim.error()));
        return 1;
    }
    if (!linkPath.isEmpty() && !sim.link(linkPath)) {
        std::fprintf(stderr, "boardsim: cannot link %s: %s\n", qPrintable(linkPath), qPrintable(sim.error()));
        return 1;
    }
    sim.setInputs(inputs);
    sim.onOutputs = [last = -1](int out) mutable {
        if (out == last)
            return;
        last = out;
        std::printf("outputs 0x%03x\n", out);
        std::fflush(stdout);
    };
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    std::printf("board port %s\n", qPrintable(sim.slavePath()));
    if (!linkPath.isEmpty())
        std::printf("linked at %s\n", qPrintable(linkPath));
    std::fflush(stdout);
    sim.start();

    // Lines are cut from the raw descriptor so that none waits in a buffer
    // while the loop waits for more input.
    bool input = true;
    std::string pending;
    while (!gStop) {
        pollfd p{STDIN_FILENO, POLLIN, 0};
        if (!input || ::poll(&p, 1, 200) <= 0) {
            if (!input)
                ::usleep(200 * 1000);
            continue;
        }
        char buf[256];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            input = false; // run on without a terminal until a signal
            continue;
        }
        pending.append(buf, size_t(n));
        size_t eol;
        while (!gStop && (eol = pending.find('\n')) != std::string::npos) {
            const std::string line = pending.substr(0, eol);
            pending.erase(0, eol + 1);
            if (line == "quit")
                gStop = 1;
            else
                command(sim, line);
        }
    }
    sim.stop();
    return 0;
}
