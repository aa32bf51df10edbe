#pragma once

#include "appserver/remote_dispatcher.h"

#include <QDeadlineTimer>

#include <atomic>
#include <functional>

namespace kpv::server {

// A call on its way through the server: queued, being run, or answered. Whoever moves it to Answered
// answers it, exactly once: the one who ran it, or the deadline watch.
struct CallJob {
    enum class State { Queued, Running, Answered };

    CheckedCall call;
    QDeadlineTimer deadline;
    std::function<void(CallReply)> respond;
    std::atomic<State> state = State::Queued;

    bool start() {
        State queued = State::Queued;
        return state.compare_exchange_strong(queued, State::Running);
    }
    bool answer(State from, CallReply reply) {
        if (!state.compare_exchange_strong(from, State::Answered)) return false;
        respond(std::move(reply));
        return true;
    }
};

}  // namespace kpv::server
