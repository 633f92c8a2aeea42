#include "core/host/HostCommandRunner.h"

namespace quorvel {

namespace {

HostCommandRunner* g_runner = nullptr;

} // namespace

HostCommandRunner* CurrentHostCommandRunner() {
    return g_runner;
}

HostCommandRunner* SetHostCommandRunner(HostCommandRunner* runner) {
    HostCommandRunner* previous = g_runner;
    g_runner = runner;
    return previous;
}

} // namespace quorvel
