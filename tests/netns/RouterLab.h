#pragma once

#include <string>
#include <vector>

// Network namespaces of one test on this machine: a public one with the
// address 10.200.0.1 for the server, two routers attached to it that
// translate their home's addresses (nftables masquerade) and two homes, each
// 192.168.1.2 behind its router, as two households on the internet. Names
// carry the test's process id; namespaces a killed run left behind are
// removed first, and everything goes with the object. Needs root, iproute2
// and nftables; `problem()` says what failed otherwise.
class RouterLab {
public:
    // Endpoint-independent routers keep a home's port for every destination
    // (plain masquerade); symmetric ones give each destination another port.
    enum class Mapping { EndpointIndependent, Symmetric };

    RouterLab(const std::string& tag, Mapping mapping);
    ~RouterLab();
    RouterLab(const RouterLab&) = delete;
    RouterLab& operator=(const RouterLab&) = delete;

    bool built() const { return problem_.empty(); }
    const std::string& problem() const { return problem_; }

    // The words that run a program in a namespace: home 1 or 2, or the public one.
    std::vector<std::string> inHome(int home) const;
    std::vector<std::string> inPublic() const;

    static constexpr const char* serverAddress = "10.200.0.1";

    // Whether this machine lets a test build namespaces at all; empty if so.
    static std::string missingRights();

private:
    bool run(const std::string& command);
    void build(Mapping mapping);
    std::string name(const std::string& role) const;
    static void removeStale();

    std::string prefix;
    std::vector<std::string> made;
    std::string problem_;
};
