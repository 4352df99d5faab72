#include "netns.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/if_link.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <linux/veth.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace netns {

IsolatedThread::~IsolatedThread()
{
    if (thread_.joinable()) {
        {
            std::lock_guard<std::mutex> l(m_);
            stop_ = true;
        }
        cv_.notify_all();
        thread_.join();
    }
    if (nsFd_ >= 0)
        ::close(nsFd_);
}

bool IsolatedThread::start(QString* why)
{
    thread_ = std::thread([this] { loop(); });
    std::unique_lock<std::mutex> l(m_);
    cv_.wait(l, [this] { return ready_; });
    if (!ok_ && why)
        *why = why_;
    return ok_;
}

void IsolatedThread::loop()
{
    bool ok = ::unshare(CLONE_NEWNET) == 0;
    QString why;
    if (!ok)
        why = QStringLiteral("network namespaces not permitted here: %1").arg(QString::fromLocal8Bit(strerror(errno)));
    if (ok) {
        nsFd_ = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        ok = nsFd_ >= 0 && setUp("lo");
        if (!ok)
            why = QStringLiteral("cannot set up the namespace");
    }
    {
        std::lock_guard<std::mutex> l(m_);
        ok_ = ok;
        why_ = why;
        ready_ = true;
    }
    cv_.notify_all();
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock<std::mutex> l(m_);
            cv_.wait(l, [this] { return stop_ || !tasks_.empty(); });
            if (tasks_.empty())
                return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

void IsolatedThread::run(const std::function<void()>& task)
{
    std::mutex done;
    std::condition_variable cv;
    bool finished = false;
    {
        std::lock_guard<std::mutex> l(m_);
        tasks_.push_back([&] {
            task();
            std::lock_guard<std::mutex> d(done);
            finished = true;
            cv.notify_all();
        });
    }
    cv_.notify_all();
    std::unique_lock<std::mutex> d(done);
    cv.wait(d, [&] { return finished; });
}

namespace {

struct Request {
    nlmsghdr header;
    ifinfomsg info;
    char attrs[1024];
};

rtattr* addAttr(nlmsghdr* n, int type, const void* data, int length)
{
    const int len = RTA_LENGTH(length);
    auto* rta = reinterpret_cast<rtattr*>(reinterpret_cast<char*>(n) + NLMSG_ALIGN(n->nlmsg_len));
    rta->rta_type = uint16_t(type);
    rta->rta_len = uint16_t(len);
    if (length)
        std::memcpy(RTA_DATA(rta), data, size_t(length));
    n->nlmsg_len = NLMSG_ALIGN(n->nlmsg_len) + RTA_ALIGN(len);
    return rta;
}

void endNest(nlmsghdr* n, rtattr* nest)
{
    nest->rta_len = uint16_t(reinterpret_cast<char*>(n) + n->nlmsg_len - reinterpret_cast<char*>(nest));
}

bool ifreqCall(unsigned long request, ifreq* rq)
{
    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0)
        return false;
    const bool ok = ::ioctl(s, request, rq) == 0;
    ::close(s);
    return ok;
}

} // namespace

bool createVethPair(const char* name, const char* peer, int peerNamespaceFd)
{
    Request req;
    std::memset(&req, 0, sizeof req);
    req.header.nlmsg_len = NLMSG_LENGTH(sizeof(ifinfomsg));
    req.header.nlmsg_type = RTM_NEWLINK;
    req.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_CREATE | NLM_F_EXCL | NLM_F_ACK;
    req.info.ifi_family = AF_UNSPEC;
    nlmsghdr* n = &req.header;
    addAttr(n, IFLA_IFNAME, name, int(strlen(name)) + 1);
    rtattr* linkInfo = addAttr(n, IFLA_LINKINFO, nullptr, 0);
    addAttr(n, IFLA_INFO_KIND, "veth", 5);
    rtattr* data = addAttr(n, IFLA_INFO_DATA, nullptr, 0);
    rtattr* peerInfo = addAttr(n, VETH_INFO_PEER, nullptr, 0);
    ifinfomsg empty{};
    n->nlmsg_len += sizeof(ifinfomsg); // the peer's own link header
    std::memcpy(RTA_DATA(peerInfo), &empty, sizeof empty);
    addAttr(n, IFLA_IFNAME, peer, int(strlen(peer)) + 1);
    if (peerNamespaceFd >= 0) {
        const uint32_t fd = uint32_t(peerNamespaceFd);
        addAttr(n, IFLA_NET_NS_FD, &fd, sizeof fd);
    }
    endNest(n, peerInfo);
    endNest(n, data);
    endNest(n, linkInfo);

    const int s = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (s < 0)
        return false;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    bool ok = ::sendto(s, &req, req.header.nlmsg_len, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) > 0;
    if (ok) {
        char reply[4096];
        const ssize_t r = ::recv(s, reply, sizeof reply, 0);
        auto* h = reinterpret_cast<nlmsghdr*>(reply);
        ok = r >= ssize_t(NLMSG_LENGTH(sizeof(nlmsgerr))) && h->nlmsg_type == NLMSG_ERROR
            && reinterpret_cast<nlmsgerr*>(NLMSG_DATA(h))->error == 0;
    }
    ::close(s);
    return ok;
}

bool setAddress(const char* name, const char* address, const char* mask)
{
    ifreq rq{};
    std::strncpy(rq.ifr_name, name, IFNAMSIZ - 1);
    auto* sin = reinterpret_cast<sockaddr_in*>(&rq.ifr_addr);
    sin->sin_family = AF_INET;
    inet_pton(AF_INET, address, &sin->sin_addr);
    if (!ifreqCall(SIOCSIFADDR, &rq))
        return false;
    sin = reinterpret_cast<sockaddr_in*>(&rq.ifr_netmask);
    sin->sin_family = AF_INET;
    inet_pton(AF_INET, mask, &sin->sin_addr);
    return ifreqCall(SIOCSIFNETMASK, &rq);
}

bool setUp(const char* name)
{
    ifreq rq{};
    std::strncpy(rq.ifr_name, name, IFNAMSIZ - 1);
    if (!ifreqCall(SIOCGIFFLAGS, &rq))
        return false;
    rq.ifr_flags = short(rq.ifr_flags | IFF_UP);
    return ifreqCall(SIOCSIFFLAGS, &rq);
}

namespace {

constexpr int kOperUp = 6; // IF_OPER_UP of <linux/if.h>, which clashes with <net/if.h>

// The link's operational state as the kernel's link watch last set it.
int operState(const char* name)
{
    struct {
        nlmsghdr header;
        ifinfomsg info;
    } req{};
    req.header.nlmsg_len = NLMSG_LENGTH(sizeof(ifinfomsg));
    req.header.nlmsg_type = RTM_GETLINK;
    req.header.nlmsg_flags = NLM_F_REQUEST;
    req.info.ifi_family = AF_UNSPEC;
    req.info.ifi_index = int(if_nametoindex(name));
    if (req.info.ifi_index == 0)
        return -1;
    const int s = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (s < 0)
        return -1;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    int state = -1;
    alignas(nlmsghdr) char reply[8192];
    ssize_t r = -1;
    if (::sendto(s, &req, req.header.nlmsg_len, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) > 0)
        r = ::recv(s, reply, sizeof reply, 0);
    ::close(s);
    auto* h = reinterpret_cast<nlmsghdr*>(reply);
    if (r < ssize_t(NLMSG_LENGTH(sizeof(ifinfomsg))) || !NLMSG_OK(h, size_t(r)) || h->nlmsg_type != RTM_NEWLINK)
        return -1;
    int left = int(IFLA_PAYLOAD(h));
    for (auto* a = IFLA_RTA(static_cast<ifinfomsg*>(NLMSG_DATA(h))); RTA_OK(a, left); a = RTA_NEXT(a, left))
        if (a->rta_type == IFLA_OPERSTATE && RTA_PAYLOAD(a) >= 1)
            state = *static_cast<unsigned char*>(RTA_DATA(a));
    return state;
}

} // namespace

bool waitCarrying(const char* name, int timeoutMs)
{
    // Only the link watch sets the state "up", and it sets up the link's
    // transmit queue in the same step; until then frames sent are dropped.
    for (int waited = 0; waited <= timeoutMs; waited += 5) {
        if (operState(name) == kOperUp)
            return true;
        ::usleep(5000);
    }
    return false;
}

bool macOf(const char* name, unsigned char mac[6])
{
    ifreq rq{};
    std::strncpy(rq.ifr_name, name, IFNAMSIZ - 1);
    if (!ifreqCall(SIOCGIFHWADDR, &rq))
        return false;
    std::memcpy(mac, rq.ifr_hwaddr.sa_data, 6);
    return true;
}

} // namespace netns
