// plotvane-ipp: Plotvane as a network printer. CAD stations print plot
// files to it over IPP; each job is written into a plot folder, where the
// window lists it and auto plot takes it. See IppServer.h for the printers
// and job states, IppConfig.h for the settings.
//
//   plotvane-ipp server [-o server-port=8631] [-o plot-folder=DIR] ...
//
// and PAPPL's other sub-commands (status, jobs, shutdown, ...).
//
// SIGTERM and SIGINT are taken by a thread of our own and turned into an
// orderly shutdown: PAPPL would otherwise wait up to a minute for jobs
// that wait for a plotter, and those never end by themselves.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "IppServer.h"

namespace {

std::atomic<bool> g_mainDone{false};
std::atomic<bool> g_signalThreadDone{false};

void WaitForSignals(sigset_t set)
{
    struct Done {
        ~Done() { g_signalThreadDone.store(true); }
    } done;
    for (;;) {
        int signal = 0;
        if (sigwait(&set, &signal) != 0)
            continue;
        if (g_mainDone.load())
            return;
        if (pappl_system_t* system = PlotvaneIppSystem()) {
            papplSystemShutdown(system);
            return;
        }
        _exit(signal == SIGINT ? 130 : 143);  // before the system exists: nothing to keep
    }
}

}  // namespace

int main(int argc, char* argv[])
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);  // every thread started from here on
    std::thread signals(WaitForSignals, set);

    const int status = papplMainloop(argc, argv, "0.1.0", nullptr, 1, g_plotvaneIppDrivers, nullptr,
                                     PlotvaneIppDriver, nullptr, nullptr, PlotvaneIppCreateSystem, nullptr, nullptr);

    g_mainDone.store(true);
    if (!g_signalThreadDone.load())
        pthread_kill(signals.native_handle(), SIGTERM);
    signals.join();
    return status;
}
