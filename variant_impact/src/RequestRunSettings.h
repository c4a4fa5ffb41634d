// How the request elements run their requests: how many at once, how long one may take, and
// whether the first failed request stops the run. Each setting has an environment override.
//
//   setting                          variable                            default
//   requests/parallel                NX_REQUESTS_PARALLEL                number of processors
//   requests/time_limit_s            NX_REQUEST_TIME_LIMIT_S             60 (0: no limit)
//   requests/stop_at_first_failure   NX_REQUESTS_STOP_AT_FIRST_FAILURE   0
#pragma once

namespace Nx {

struct RequestRunSettings {
    int parallel = 1;               // requests running at the same time, >= 1
    int timeLimitMs = 60000;        // per request; 0: none
    bool stopAtFirstFailure = false;

    // The values in force now.
    static RequestRunSettings current();
};

}  // namespace Nx
