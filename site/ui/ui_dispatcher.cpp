#include "site/ui/ui_dispatcher.h"

#include <QMetaObject>
#include <QThread>

namespace qm::ui {

// Shared by the dispatcher and every queued call, so a call still in the event queue
// stays valid after the dispatcher has gone.
struct UiDispatcher::Hub {
    std::mutex mutex;
    std::condition_variable_any changed;
    bool shutDown = false;
};

// One queued call and its state, guarded by the hub's mutex.
struct UiDispatcher::Call {
    enum class State { Queued, Running, Done, Abandoned };

    std::shared_ptr<Hub> hub;
    std::function<void()> body;
    std::stop_token stop;
    State state = State::Queued;

    // Runs on the window's thread.
    void execute() {
        {
            std::lock_guard lock(hub->mutex);
            if (state != State::Queued || hub->shutDown || stop.stop_requested()) {
                state = State::Abandoned;
                hub->changed.notify_all();
                return;
            }
            state = State::Running;
        }
        body();
        std::lock_guard lock(hub->mutex);
        state = State::Done;
        hub->changed.notify_all();
    }

    // Marks a call that will never run (its event was dropped) as abandoned.
    void abandonIfQueued() {
        std::lock_guard lock(hub->mutex);
        if (state == State::Queued) {
            state = State::Abandoned;
            hub->changed.notify_all();
        }
    }
};

namespace {

// What the queued event carries. When the event is destroyed without having run the
// call (its receiver went away), the last copy of the ticket releases the caller.
struct Ticket {
    std::shared_ptr<UiDispatcher::Call> call;
    ~Ticket() {
        if (call) call->abandonIfQueued();
    }
};

}  // namespace

UiDispatcher::UiDispatcher(QObject* home)
    : home_(home), uiThread_(home->thread()), hub_(std::make_shared<Hub>()) {}

UiDispatcher::~UiDispatcher() {
    shutDown();
}

bool UiDispatcher::onUiThread() const {
    return QThread::currentThread() == uiThread_;
}

bool UiDispatcher::isShutDown() const {
    std::lock_guard lock(hub_->mutex);
    return hub_->shutDown;
}

void UiDispatcher::shutDown() {
    std::lock_guard lock(hub_->mutex);
    hub_->shutDown = true;
    hub_->changed.notify_all();
}

void UiDispatcher::post(std::function<void()> f) {
    // Posting under the lock: once shutDown has returned nobody posts to home_ any more.
    std::lock_guard guard(hub_->mutex);
    if (hub_->shutDown) return;
    auto hub = hub_;
    QMetaObject::invokeMethod(
        home_,
        [hub, f = std::move(f)]() {
            {
                std::lock_guard lock(hub->mutex);
                if (hub->shutDown) return;
            }
            f();
        },
        Qt::QueuedConnection);
}

bool UiDispatcher::run(std::function<void()> body, std::stop_token stop) {
    if (isShutDown()) return false;
    if (onUiThread()) {
        body();
        return true;
    }
    auto call = std::make_shared<Call>();
    call->hub = hub_;
    call->body = std::move(body);
    call->stop = stop;
    std::unique_lock lock(hub_->mutex);
    if (hub_->shutDown) return false;
    {
        auto ticket = std::make_shared<Ticket>();
        ticket->call = call;
        QMetaObject::invokeMethod(
            home_, [ticket]() { ticket->call->execute(); }, Qt::QueuedConnection);
    }
    hub_->changed.wait(lock, stop, [&] {
        return call->state == Call::State::Done || call->state == Call::State::Abandoned ||
               hub_->shutDown;
    });
    if (call->state == Call::State::Done) return true;
    if (call->state == Call::State::Queued) call->state = Call::State::Abandoned;
    return false;
}

}  // namespace qm::ui
