// How long the IO board link takes, with the polling thread and the simulated
// board running by themselves over a pseudo-terminal:
//  - input: from the board raising an input bit to IOInTrigger reporting it;
//  - output: from IOSetOut + IOFlashOut to the board receiving command 1.
//
//   bench_ioboard_roundtrip [--edges N]
//
// Prints median, p99 and maximum of each; exits 1 when a p99 is above 15 ms.
#include "boardsim.h"
#include "monitor/controlport.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace {
using Clock = BoardSim::Clock;
using Ms = std::chrono::duration<double, std::milli>;
constexpr double kTargetP99Ms = 15.0;
constexpr auto kGiveUp = std::chrono::seconds(2);

void pause(int maxUs)
{
    std::this_thread::sleep_for(std::chrono::microseconds(QRandomGenerator::global()->bounded(maxUs)));
}

// The reader's own poll must not dominate what is measured.
void spin() { std::this_thread::sleep_for(std::chrono::microseconds(50)); }

bool report(const char* what, std::vector<double> ms)
{
    if (ms.empty()) {
        std::printf("%-7s no samples\n", what);
        return false;
    }
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    const double p99 = ms[std::min(ms.size() - 1, size_t(double(ms.size()) * 0.99))];
    std::printf("%-7s edges %zu  median %.2f ms  p99 %.2f ms  max %.2f ms\n", what, ms.size(), median, p99,
                ms.back());
    return p99 <= kTargetP99Ms;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int edges = 300;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--edges") == 0)
            edges = std::max(1, std::atoi(argv[i + 1]));

    BoardSim sim;
    if (!sim.open()) {
        std::fprintf(stderr, "no pseudo-terminal: %s\n", qPrintable(sim.error()));
        return 2;
    }
    sim.start();
    ControlPort port(sim.slavePath());

    std::vector<double> in;
    for (int k = 0; k < edges; ++k) {
        pause(10000); // any phase of the 5 ms poll
        const auto t0 = Clock::now();
        sim.setInput(0, true);
        while (!port.IOInTrigger(0) && Clock::now() - t0 < kGiveUp)
            spin();
        const auto t1 = Clock::now();
        if (t1 - t0 < kGiveUp)
            in.push_back(Ms(t1 - t0).count());
        sim.setInput(0, false);
        while (port.IOState(0, 0) && Clock::now() - t1 < kGiveUp) {
            port.IOInTrigger(0);
            spin();
        }
    }

    std::vector<double> out;
    for (int k = 0; k < edges; ++k) {
        pause(10000);
        const int wanted = (k % 2) ? 0x000 : 0x004;
        const size_t seen = sim.hostFrameCount();
        const auto t0 = Clock::now();
        port.IOSetOut(2, wanted != 0);
        port.IOFlashOut();
        for (;;) {
            const auto frames = sim.hostFrames();
            const auto hit = std::find_if(frames.begin() + long(seen), frames.end(),
                                          [&](const BoardSim::HostFrame& f) { return f.cmd == 1 && f.value == wanted; });
            if (hit != frames.end()) {
                out.push_back(Ms(hit->at - t0).count());
                break;
            }
            if (Clock::now() - t0 > kGiveUp)
                break;
            spin();
        }
    }

    const bool inOk = report("input", in);
    const bool outOk = report("output", out);
    std::printf("target p99 %.0f ms: %s\n", kTargetP99Ms, inOk && outOk ? "met" : "missed");
    std::fflush(stdout);
    return inOk && outOk ? 0 : 1;
}
