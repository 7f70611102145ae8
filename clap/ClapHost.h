// The host's side of one instance: the host record and the extensions it
// offers that the instrument uses, each null when not offered.
#pragma once

#include <clap/ext/gui.h>
#include <clap/ext/latency.h>
#include <clap/ext/params.h>
#include <clap/ext/thread-check.h>
#include <clap/ext/timer-support.h>
#include <clap/host.h>

struct ClapHost {
    explicit ClapHost(const clap_host_t* host) : host(host) {}

    // Once the instance is initialised, as a host expects.
    void find() {
        params = extension<clap_host_params_t>(CLAP_EXT_PARAMS);
        threadCheck = extension<clap_host_thread_check_t>(CLAP_EXT_THREAD_CHECK);
        timers = extension<clap_host_timer_support_t>(CLAP_EXT_TIMER_SUPPORT);
        gui = extension<clap_host_gui_t>(CLAP_EXT_GUI);
    }

    // True without the host's word for it.
    bool onMainThread() const {
        return !threadCheck || !threadCheck->is_main_thread || threadCheck->is_main_thread(host);
    }

    const clap_host_t* host;
    const clap_host_params_t* params = nullptr;
    const clap_host_thread_check_t* threadCheck = nullptr;
    const clap_host_timer_support_t* timers = nullptr;
    const clap_host_gui_t* gui = nullptr;

private:
    template <class Extension>
    const Extension* extension(const char* id) const {
        return host->get_extension ? static_cast<const Extension*>(host->get_extension(host, id)) : nullptr;
    }
};
