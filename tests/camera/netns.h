#pragma once
// Network namespaces for the tests: a thread that lives in a namespace of
// its own (only loopback, brought up), veth pairs between two such threads,
// and interface addresses. Nothing here touches the machine's interfaces.
#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace netns {

class IsolatedThread {
public:
    IsolatedThread() = default;
    ~IsolatedThread();
    // Starts the thread in a fresh network namespace; false (with the
    // reason) where namespaces are not permitted.
    bool start(QString* why);
    // Runs the task on that thread and waits for it.
    void run(const std::function<void()>& task);
    // An open descriptor of the thread's namespace.
    int namespaceFd() const { return nsFd_; }

private:
    void loop();
    std::thread thread_;
    std::mutex m_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> tasks_;
    bool stop_ = false;
    bool ready_ = false;
    bool ok_ = false;
    QString why_;
    int nsFd_ = -1;
};

// On the calling thread's namespace:
bool createVethPair(const char* name, const char* peer, int peerNamespaceFd);
bool setAddress(const char* name, const char* address, const char* mask);
bool setUp(const char* name);
// Waits until the kernel has the link carrying frames: a veth end brought up
// before its peer drops what is sent on it until the kernel's link watch
// has run, which a busy machine can put off for a while.
bool waitCarrying(const char* name, int timeoutMs = 10000);
bool macOf(const char* name, unsigned char mac[6]);

} // namespace netns
