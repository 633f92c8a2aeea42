#include "Options.h"

#include "BoardFile.h"
#include "protocol/Addresses.h"

#include <charconv>
#include <cstdlib>
#include <functional>
#include <map>

namespace quorvel::sim {

const char* const kUsage = R"(Usage: board_simulator (--count N | --boards FILE) [options]

Emulates printer network boards: answers search, assign and status requests.

Boards
  --count N                 generate N boards (1 to 100000)
  --boards FILE             read the boards from a CSV file (see README.md)
Sockets
  --port P                  listen on UDP port P; repeat for several (default 3040)
  --bind ADDRESS            local address to bind (default 0.0.0.0)
  --allow-any-network       listen beyond loopback although this namespace has
                            addresses outside 198.18.0.0/15 (refused otherwise:
                            the boards would answer a real network)
  --exit-after SECONDS      stop by itself after this long (default 3600; 0: never)
  --tftp-port P             take firmware images by TFTP on port P (69 in the rig)
  --reboot-seconds S        a board that took a whole image answers nothing for S
                            seconds, as if it rebooted (default 0)
Records
  --log FILE                every datagram received, one JSON object a line
  --ready-file FILE         written once every port is bound: the ports, one line
Replies
  --assign-result CODE      result byte of assign replies (default 1: programmed)
  --unknown-mac-result CODE answer assign requests for unknown MACs with CODE
                            (default: no answer)
Faults (RATE is a chance per reply, 0 to 1)
  --delay MS                delay every reply
  --jitter MS               add 0 to MS of random delay to each reply
  --drop RATE               lose replies
  --duplicate N             send N extra copies of each reply
  --wrong-number RATE       reply with a random number one off the request's
  --truncate RATE           cut replies to --truncate-to bytes (default 31)
  --truncate-to N
  --oversize RATE           pad replies to 5000 bytes
  --no-nul RATE             search replies without the texts' zero bytes
  --late MS                 answer a search only MS after its number was first heard
  --ignore KINDS            leave these requests unanswered: search, assign,
                            status, comma-separated
  --junk N                  also send the searcher N bad datagrams of every sort
                            (own request, wrong number, cut short, over 4096
                            bytes, random, other replies), once per search number
  --junk-ms MS              spread them over MS (default 2000)
  --faulty-boards LIST      board numbers the faults apply to, e.g. 2,5-7 (default all)
  --forge N                 also answer each new search with N forged replies, sent
                            from --forge-from: random MACs, board addresses in turn
                            loopback, broadcast, zero, multicast, the next host's
                            and the forger's own; status requests unanswered
  --forge-from ADDRESS      the forger's own address (198.18.0.0/15)
  --seed N                  seed of the fault generator (default 1)
  --help
)";

namespace {

template <typename T> bool toNumber(const std::string& text, T& out) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool toRate(const std::string& text, double& out) {
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size() && out >= 0 && out <= 1;
}

bool toKinds(const std::string& text, std::set<RequestKind>& out) {
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, comma - start);
        if (item == "search")
            out.insert(RequestKind::Search);
        else if (item == "assign")
            out.insert(RequestKind::Assign);
        else if (item == "status")
            out.insert(RequestKind::PrinterStatus);
        else
            return false;
        start = comma + 1;
    }
    return true;
}

bool toBoardList(const std::string& text, std::set<std::size_t>& out) {
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, comma - start);
        const std::size_t dash = item.find('-');
        std::size_t first = 0, last = 0;
        if (dash == std::string::npos) {
            if (!toNumber(item, first))
                return false;
            last = first;
        } else if (!toNumber(item.substr(0, dash), first) ||
                   !toNumber(item.substr(dash + 1), last)) {
            return false;
        }
        if (first == 0 || last < first || last > kMaxBoards)
            return false;
        for (std::size_t n = first; n <= last; ++n)
            out.insert(n);
        start = comma + 1;
    }
    return !out.empty();
}

} // namespace

OptionsOrError ParseOptions(const std::vector<std::string>& arguments) {
    OptionsOrError result;
    Options& o = result.options;
    FaultOptions& f = o.engine.faults;
    auto milliseconds = [](std::chrono::milliseconds& target) {
        return [&target](const std::string& v) {
            long long ms = 0;
            if (!toNumber(v, ms) || ms < 0)
                return false;
            target = std::chrono::milliseconds(ms);
            return true;
        };
    };
    auto rate = [](double& target) {
        return [&target](const std::string& v) { return toRate(v, target); };
    };
    auto byte = [](auto& target) {
        return [&target](const std::string& v) {
            unsigned code = 0;
            if (!toNumber(v, code) || code > 255)
                return false;
            target = static_cast<std::uint8_t>(code);
            return true;
        };
    };
    const std::map<std::string, std::function<bool(const std::string&)>> withValue = {
        {"--count",
         [&](const std::string& v) {
             return toNumber(v, o.count) && o.count >= 1 && o.count <= kMaxBoards;
         }},
        {"--boards",
         [&](const std::string& v) {
             o.boardFile = v;
             return !v.empty();
         }},
        {"--port",
         [&](const std::string& v) {
             unsigned port = 0;
             if (!toNumber(v, port) || port > 65535)
                 return false;
             o.ports.push_back(static_cast<std::uint16_t>(port));
             return true;
         }},
        {"--bind",
         [&](const std::string& v) {
             o.bindAddress = v;
             return true;
         }},
        {"--exit-after",
         [&](const std::string& v) {
             long long s = 0;
             if (!toNumber(v, s) || s < 0)
                 return false;
             o.exitAfter = std::chrono::seconds(s);
             return true;
         }},
        {"--log",
         [&](const std::string& v) {
             o.logPath = v;
             return !v.empty();
         }},
        {"--ready-file",
         [&](const std::string& v) {
             o.readyFile = v;
             return !v.empty();
         }},
        {"--tftp-port",
         [&](const std::string& v) { return toNumber(v, o.tftpPort) && o.tftpPort != 0; }},
        {"--reboot-seconds",
         [&](const std::string& v) {
             long long s = 0;
             if (!toNumber(v, s) || s < 0 || s > 3600)
                 return false;
             o.rebootFor = std::chrono::seconds(s);
             return true;
         }},
        {"--assign-result", byte(o.engine.assignResult)},
        {"--unknown-mac-result", byte(o.engine.unknownMacResult)},
        {"--delay", milliseconds(f.delay)},
        {"--jitter", milliseconds(f.jitter)},
        {"--late", milliseconds(f.late)},
        {"--junk-ms", milliseconds(f.junkSpread)},
        {"--junk", [&](const std::string& v) { return toNumber(v, f.junk) && f.junk <= 1000000; }},
        {"--ignore", [&](const std::string& v) { return toKinds(v, f.ignore); }},
        {"--drop", rate(f.drop)},
        {"--wrong-number", rate(f.wrongNumber)},
        {"--truncate", rate(f.truncate)},
        {"--oversize", rate(f.oversize)},
        {"--no-nul", rate(f.noNul)},
        {"--duplicate",
         [&](const std::string& v) { return toNumber(v, f.duplicate) && f.duplicate <= 100; }},
        {"--truncate-to", [&](const std::string& v) { return toNumber(v, f.truncateTo); }},
        {"--faulty-boards", [&](const std::string& v) { return toBoardList(v, f.faultyBoards); }},
        {"--seed", [&](const std::string& v) { return toNumber(v, f.seed); }},
        {"--forge",
         [&](const std::string& v) {
             return toNumber(v, o.engine.forger.perSearch) && o.engine.forger.perSearch <= 100000;
         }},
        {"--forge-from",
         [&](const std::string& v) {
             const auto address = quorvel::ParseIpv4Address(v);
             if (!address || (*address)[0] != 198 || ((*address)[1] & 0xFE) != 18)
                 return false;
             o.engine.forger.from = ToHostOrder(*address);
             return true;
         }},
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        if (name == "--help" || name == "-h") {
            o.help = true;
            return result;
        }
        if (name == "--allow-any-network") {
            o.allowAnyNetwork = true;
            continue;
        }
        const auto option = withValue.find(name);
        if (option == withValue.end()) {
            result.error = "unknown option " + name;
            return result;
        }
        if (i + 1 == arguments.size()) {
            result.error = name + " needs a value";
            return result;
        }
        const std::string& value = arguments[++i];
        if (!option->second(value)) {
            result.error = "bad value for " + name + ": \"" + value + "\"";
            return result;
        }
    }
    if (o.boardFile.empty() == (o.count == 0))
        result.error = "give either --count N or --boards FILE";
    if (o.engine.forger.perSearch > 0 && o.engine.forger.from == 0)
        result.error = "--forge needs --forge-from ADDRESS";
    if (o.ports.empty())
        o.ports.push_back(3040);
    return result;
}

} // namespace quorvel::sim
