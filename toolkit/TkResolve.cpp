#include "toolkit/TkResolve.h"

#include "base/HostNames.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

namespace mirabo {

namespace {

bool numericAddress(const std::string& host, int port, SocketAddress* out) {
    std::string h = host;
    if (h.size() >= 2 && h.front() == '[' && h.back() == ']')
        h = h.substr(1, h.size() - 2);
    SocketAddress a;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&a.storage);
    if (::inet_pton(AF_INET, h.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<uint16_t>(port));
        a.length = sizeof(sockaddr_in);
        *out = a;
        return true;
    }
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&a.storage);
    if (::inet_pton(AF_INET6, h.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<uint16_t>(port));
        a.length = sizeof(sockaddr_in6);
        *out = a;
        return true;
    }
    return false;
}

// Shared between the caller and the lookup thread; whoever lets go last frees it.
struct Lookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::vector<SocketAddress> addresses;
};

void finish(Lookup& lookup, std::vector<SocketAddress> found) {
    std::lock_guard<std::mutex> guard(lookup.mutex);
    lookup.addresses = std::move(found);
    lookup.finished = true;
    lookup.done.notify_all();
}

} // namespace

std::vector<SocketAddress> systemLookup(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* list = nullptr;
    std::vector<SocketAddress> found;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list) == 0) {
        for (addrinfo* ai = list; ai; ai = ai->ai_next) {
            if (ai->ai_addrlen > sizeof(sockaddr_storage))
                continue;
            SocketAddress a;
            std::memcpy(&a.storage, ai->ai_addr, ai->ai_addrlen);
            a.length = ai->ai_addrlen;
            found.push_back(a);
        }
        ::freeaddrinfo(list);
    }
    return found;
}

Io resolveHost(const std::string& host, int port, Deadline deadline, const std::atomic<int32_t>* abortWord,
               std::vector<SocketAddress>* out) {
    return resolveHostWith(systemLookup, host, port, deadline, abortWord, out);
}

Io resolveHostWith(const NameLookup& nameLookup, const std::string& host, int port, Deadline deadline,
                   const std::atomic<int32_t>* abortWord, std::vector<SocketAddress>* out) {
    out->clear();
    SocketAddress numeric;
    if (numericAddress(host.empty() ? std::string("127.0.0.1") : host, port, &numeric)) {
        out->push_back(numeric);
        return Io::Ok;
    }
    if (base::IsLocalhostName(host)) {
        for (const char* loopback : {"127.0.0.1", "::1"})
            if (numericAddress(loopback, port, &numeric))
                out->push_back(numeric);
        return Io::Ok;
    }
    auto lookup = std::make_shared<Lookup>();
    try {
        std::thread([lookup, nameLookup, host, port]() noexcept {
            std::vector<SocketAddress> found;
            try {
                found = nameLookup(host, port);
            } catch (...) {
                found.clear();
            }
            finish(*lookup, std::move(found));
        }).detach();
    } catch (...) {
        return Io::Error;
    }
    std::unique_lock<std::mutex> lock(lookup->mutex);
    while (!lookup->finished) {
        if (stopRequested(abortWord))
            return Io::Cancelled;
        const int slice = nextSliceMs(deadline);
        if (slice == 0)
            return Io::Timeout;
        // One slice on the system clock (pthread_cond_timedwait); the deadline itself is steady.
        lookup->done.wait_until(lock, std::chrono::system_clock::now() + std::chrono::milliseconds(slice));
    }
    if (lookup->addresses.empty())
        return Io::Unresolved;
    *out = lookup->addresses;
    return Io::Ok;
}

} // namespace mirabo
