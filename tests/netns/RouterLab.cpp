#include "RouterLab.h"

#include "support/TestSupport.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <unistd.h>

namespace {

constexpr const char* namePrefix = "flarevox-nat-";

std::vector<std::string> execIn(const std::string& netns)
{
    return {"ip", "netns", "exec", netns};
}

// A home router's rules: the home's addresses translated on the way out,
// and nothing from outside let in that no one at home asked for. Dropped
// before the connection tracker confirms it, a stranger's datagram leaves no
// entry behind that would make the router map the next one from home anew.
std::string rules(const std::string& masquerade)
{
    return "table ip nat {\\n chain post {\\n  type nat hook postrouting priority srcnat;\\n  oifname \"wan\" " + masquerade
        + "\\n }\\n}\\ntable ip filter {\\n chain in {\\n  type filter hook input priority filter;\\n"
          "  iifname \"wan\" ct state new drop\\n }\\n}\\n";
}

} // namespace

RouterLab::RouterLab(const std::string& tag, Mapping mapping)
    : prefix(namePrefix + std::to_string(getpid()) + "-" + tag + "-")
{
    removeStale();
    build(mapping);
}

RouterLab::~RouterLab()
{
    for (auto netns = made.rbegin(); netns != made.rend(); ++netns) {
        testsupport::runCommand("ip netns pids " + *netns + " | xargs -r kill -9");
        testsupport::runCommand("ip netns del " + *netns);
    }
}

std::string RouterLab::missingRights()
{
    if (geteuid() != 0)
        return "not root";
    if (testsupport::runCommand("command -v nft && command -v ip").status != 0)
        return "no nft or ip";
    const std::string probe = namePrefix + std::to_string(getpid()) + "-probe";
    const testsupport::CommandRun added = testsupport::runCommand("ip netns add " + probe);
    testsupport::runCommand("ip netns del " + probe);
    return added.status == 0 ? "" : "ip netns add failed: " + added.out;
}

std::vector<std::string> RouterLab::inHome(int home) const
{
    return execIn(name("home" + std::to_string(home)));
}

std::vector<std::string> RouterLab::inPublic() const
{
    return execIn(name("public"));
}

std::string RouterLab::name(const std::string& role) const
{
    return prefix + role;
}

bool RouterLab::run(const std::string& command)
{
    if (!problem_.empty())
        return false;
    const testsupport::CommandRun result = testsupport::runCommand(command);
    if (result.status != 0)
        problem_ = command + ": " + result.out;
    return result.status == 0;
}

// The namespaces of runs whose process is gone, and what still runs in them.
void RouterLab::removeStale()
{
    const std::string listed = testsupport::runCommand("ip netns list").out;
    for (const std::string& line : testsupport::linesOf(listed)) {
        if (!line.starts_with(namePrefix))
            continue;
        const std::string netns = line.substr(0, line.find(' '));
        const pid_t owner = static_cast<pid_t>(std::atoi(netns.c_str() + std::string(namePrefix).size()));
        if (owner > 0 && (kill(owner, 0) == 0 || errno != ESRCH))
            continue;
        testsupport::runCommand("ip netns pids " + netns + " | xargs -r kill -9");
        testsupport::runCommand("ip netns del " + netns);
    }
}

void RouterLab::build(Mapping mapping)
{
    const std::string masquerade = mapping == Mapping::Symmetric ? "masquerade fully-random" : "masquerade";
    for (const std::string role : {"public", "router1", "router2", "home1", "home2"}) {
        if (!run("ip netns add " + name(role)))
            return;
        made.push_back(name(role));
        run("ip -n " + name(role) + " link set lo up");
    }
    const std::string pub = name("public");
    run("ip -n " + pub + " addr add " + serverAddress + "/32 dev lo");
    run("ip netns exec " + pub + " sysctl -qw net.ipv4.ip_forward=1");
    for (const std::string side : {"1", "2"}) {
        const std::string router = name("router" + side);
        const std::string home = name("home" + side);
        const std::string wan = "10.200." + side + ".";
        run("ip -n " + pub + " link add to" + side + " type veth peer name wan netns " + router);
        run("ip -n " + pub + " addr add " + wan + "1/24 dev to" + side);
        run("ip -n " + pub + " link set to" + side + " up");
        run("ip -n " + router + " addr add " + wan + "2/24 dev wan");
        run("ip -n " + router + " link set wan up");
        run("ip -n " + router + " route add default via " + wan + "1");
        run("ip -n " + router + " link add lan type veth peer name eth0 netns " + home);
        run("ip -n " + router + " addr add 192.168.1.1/24 dev lan");
        run("ip -n " + router + " link set lan up");
        run("ip -n " + home + " addr add 192.168.1.2/24 dev eth0");
        run("ip -n " + home + " link set eth0 up");
        run("ip -n " + home + " route add default via 192.168.1.1");
        run("ip netns exec " + router + " sysctl -qw net.ipv4.ip_forward=1");
        run("printf '" + rules(masquerade) + "' | ip netns exec " + router + " nft -f -");
    }
}
