#include "toolkit/TkState.h"

#include "toolkit/TkTrust.h"

#include <QRandomGenerator>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <mutex>

namespace mirabo {

namespace {

struct ProcessState {
    std::mutex mutex;
    std::map<uintptr_t, std::shared_ptr<Link>> links;
    std::vector<uintptr_t> activation; // oldest first
    uintptr_t nextHandle = 1;
    QString token;
    Credentials credentials;
    bool endpointSet = false;
    Endpoint endpoint;
    ReadMark lastRead;
};

ProcessState& state() {
    static ProcessState s;
    return s;
}

uintptr_t key(MiraboLink handle) { return reinterpret_cast<uintptr_t>(handle); }

} // namespace

QString clientId() {
    static const QString id = [] {
        QString hex;
        for (int i = 0; i < 4; ++i)
            hex += QStringLiteral("%1").arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0'));
        return hex;
    }();
    return id;
}

QString programName() {
    static const QString name = [] {
        char path[4096];
        const ssize_t n = ::readlink("/proc/self/exe", path, sizeof(path) - 1);
        if (n <= 0)
            return QStringLiteral("kestra");
        const QString full = QString::fromLocal8Bit(path, static_cast<qsizetype>(n));
        return full.mid(full.lastIndexOf(QLatin1Char('/')) + 1);
    }();
    return name;
}

MiraboLink addLink(std::shared_ptr<Link> link) {
    ProcessState& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    const uintptr_t handle = s.nextHandle++;
    s.links.emplace(handle, std::move(link));
    return reinterpret_cast<MiraboLink>(handle);
}

std::shared_ptr<Link> findLink(MiraboLink handle) {
    ProcessState& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    const auto it = s.links.find(key(handle));
    return it == s.links.end() ? nullptr : it->second;
}

std::shared_ptr<Link> removeLink(MiraboLink handle) {
    ProcessState& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    const auto it = s.links.find(key(handle));
    if (it == s.links.end())
        return nullptr;
    std::shared_ptr<Link> link = std::move(it->second);
    s.links.erase(it);
    s.activation.erase(std::remove(s.activation.begin(), s.activation.end(), key(handle)), s.activation.end());
    return link;
}

std::vector<std::shared_ptr<Link>> removeLostLinks() {
    std::vector<std::pair<uintptr_t, std::shared_ptr<Link>>> all;
    {
        ProcessState& s = state();
        std::lock_guard<std::mutex> guard(s.mutex);
        all.assign(s.links.begin(), s.links.end());
    }
    std::vector<std::shared_ptr<Link>> lost;
    for (auto& [handle, link] : all) {
        if (link->isLost()) {
            if (auto removed = removeLink(reinterpret_cast<MiraboLink>(handle)))
                lost.push_back(std::move(removed));
        }
    }
    return lost;
}

void activateLink(MiraboLink handle) {
    ProcessState& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    if (s.links.find(key(handle)) == s.links.end())
        return;
    s.activation.erase(std::remove(s.activation.begin(), s.activation.end(), key(handle)), s.activation.end());
    s.activation.push_back(key(handle));
}

std::shared_ptr<Link> activeLink() {
    ProcessState& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    // Closed links leave the activation order, so the last entry is the one to use.
    if (s.activation.empty())
        return nullptr;
    const auto it = s.links.find(s.activation.back());
    return it == s.links.end() ? nullptr : it->second;
}

QString heldToken() {
    ProcessState& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    return s.token;
}

void setHeldToken(const QString& token) {
    ProcessState& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    s.token = token;
}

Credentials heldCredentials() {
    ProcessState& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    return s.credentials;
}

void setLogon(const QString& token, const Credentials& credentials) {
    ProcessState& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    s.token = token;
    s.credentials = credentials;
}

void rememberLogonEndpoint(const Endpoint& endpoint) {
    ProcessState& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    s.endpoint = endpoint;
    s.endpointSet = true;
}

bool logonEndpoint(Endpoint* endpoint) {
    ProcessState& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    *endpoint = s.endpoint;
    return s.endpointSet;
}

ReadMark lastRead() {
    ProcessState& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    return s.lastRead;
}

void setLastRead(const ReadMark& mark) {
    ProcessState& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    s.lastRead = mark;
}

void resetStateForTest() {
    std::map<uintptr_t, std::shared_ptr<Link>> links;
    {
        ProcessState& s = state();
        std::lock_guard<std::mutex> guard(s.mutex);
        links.swap(s.links);
        s.activation.clear();
        s.token.clear();
        s.credentials = Credentials();
        s.endpointSet = false;
        s.endpoint = Endpoint();
        s.lastRead = ReadMark();
    }
    for (auto& entry : links)
        entry.second->abort(); // as LinkClose does; the last reference goes outside the lock
    resetTrustForTest();
}

} // namespace mirabo
