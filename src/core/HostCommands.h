#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <cstdint>
#include <functional>
#include <memory>

namespace quorvel {

// How a host command shows itself.
enum class HostWindow {
    Hidden,   // no window; output discarded
    Terminal, // a terminal window when the desktop has one, else hidden
    Browser,  // the desktop's handler for the URL
};

// One command for the host: the command line the tool has always shown for
// it, and what actually runs here. `argv` is never handed to a shell, so any
// part of it may hold data from a device or a file.
struct HostCommand {
    QString windowsText;
    HostWindow window = HostWindow::Hidden;
    QStringList argv; // program first; for Hidden and Terminal
    QUrl url;         // for Browser
    // A Terminal command that is no use unseen: the program the user needs
    // and the Debian package that has it. Empty for the rest.
    QString tool = {};
    QString toolPackage = {};
};

// How a hidden command ended.
enum class CommandOutcome { Succeeded, NotPermitted, Failed };
using OutcomeHandler = std::function<void(CommandOutcome)>;

// Where host commands go: the real processes, or a test recorder. Only a
// hidden command reports how it ended, to `onEnd`, later; a missing program
// or missing rights just mean the step does not happen.
class HostCommandRunner {
public:
    virtual ~HostCommandRunner() = default;
    virtual void runHidden(const HostCommand& command, OutcomeHandler onEnd = {}) = 0;
    virtual void runInTerminal(const HostCommand& command) = 0;
    virtual void openUrl(const HostCommand& command) = 0;
    // What keeps a command with a `tool` from being seen: an empty text when
    // nothing, else the missing program's name.
    virtual QString missingFor(const HostCommand& command) = 0;
    // The network interface the host would send to `ip` through; empty when
    // no route is known.
    virtual QString interfaceRoutingTo(const std::uint8_t (&ip)[4]) = 0;
};

// The runner installed now (null before start-up installs one).
HostCommandRunner* CurrentHostCommandRunner();
// Installs `runner` (null: commands are dropped); returns the previous one.
// Nothing runs until start-up installs the real runner, so code driven by
// tests can never touch the host's neighbour table by accident.
HostCommandRunner* SetHostCommandRunner(HostCommandRunner* runner);

// Every command the tool hands to the host: built here, run through the
// installed runner.
class HostCommands {
public:
    // "arp -d *": empties the IPv4 neighbour cache.
    static HostCommand clearArpCache();
    // "arp -s IP MAC": a permanent neighbour entry, on `interfaceName` when
    // known, else wherever the kernel puts it. It is added, never replaced:
    // an entry already there (the administrator's) stays as it is.
    static HostCommand staticArpEntry(const std::uint8_t (&ip)[4], const std::uint8_t (&mac)[6],
                                      const QString& interfaceName);
    // "arp -d IP": removes the entry that staticArpEntry made.
    static HostCommand removeNeighbourEntry(const std::uint8_t (&ip)[4],
                                            const QString& interfaceName);
    // "ping -n 6 IP ": six echo requests in a window the user can watch, out
    // of `interfaceName` when given.
    static HostCommand ping(const std::uint8_t (&ip)[4], const QString& interfaceName = {});
    // "http://IP/": the board's web page in the default browser.
    static HostCommand webPage(const std::uint8_t (&ip)[4]);
    // "explorer telnet://IP": a telnet session on the default port, in a
    // terminal.
    static HostCommand telnet(const std::uint8_t (&ip)[4]);
    // The boot loader's firmware push: `imagePath` goes to the board over
    // TFTP in binary mode as boot.img, in a terminal that stays open. The path
    // is one argument of its own, never read by a shell.
    static HostCommand tftpPush(const std::uint8_t (&ip)[4], const QString& imagePath);

    static void run(const HostCommand& command, OutcomeHandler onEnd = {});
    // Runs a command with a `tool` only where the user will see it; else a
    // message box names what is missing.
    static void runWhereSeen(const HostCommand& command);
};

// The interface of the most specific route to `ip` in a /proc/net/route
// table (lowest metric among equals); empty when none matches.
QString RouteInterfaceFor(const QString& procNetRoute, const std::uint8_t (&ip)[4]);

// a.b.c.d, each byte in decimal.
QString DottedAddress(const std::uint8_t (&ip)[4]);

} // namespace quorvel
