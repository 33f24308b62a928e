// UiDispatcher: how other threads reach the window's widgets. Widgets may only be used
// on the window's thread, so every access from a worker is handed to that thread.
//
// call(f) runs f on the window's thread and returns its result; called on the window's
// thread it runs f at once. From another thread it queues f to the window's thread and
// waits until f has run, so a read gives the content at the time of the call and a
// write is visible when call returns. The window's thread handles queued calls also
// while a modal box or a nested event loop runs on it.
//
// A waiting call gives up (returns R{} and f never runs) when its stop token is
// requested before f has started, or when the dispatcher has been shut down; a call
// made after the shut-down returns R{} at once. f must therefore capture what it uses
// by value: after a give-up the caller's stack may be gone while f is still queued.
//
// post(f) queues f without waiting (from the window's thread as well, after the
// current event); f is dropped after the shut-down.
//
// shutDown() is called on the window's thread before home and the widgets go away; it
// wakes every waiting caller, and nothing is queued to home after it has returned.
// All members are thread-safe.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <type_traits>

#include <QObject>
#include <QThread>

namespace qm::ui {

class UiDispatcher {
  public:
    // home must live on the window's thread; calls run in its context.
    explicit UiDispatcher(QObject* home);
    ~UiDispatcher();
    UiDispatcher(const UiDispatcher&) = delete;
    UiDispatcher& operator=(const UiDispatcher&) = delete;

    bool onUiThread() const;

    template <class F>
    auto call(F f, std::stop_token stop = {}) -> std::invoke_result_t<F> {
        using R = std::invoke_result_t<F>;
        if constexpr (std::is_void_v<R>) {
            run([f = std::move(f)]() mutable { f(); }, std::move(stop));
        } else {
            auto result = std::make_shared<R>();
            run([f = std::move(f), result]() mutable { *result = f(); }, std::move(stop));
            return std::move(*result);
        }
    }

    void post(std::function<void()> f);

    void shutDown();
    bool isShutDown() const;

    // Implementation types, public only so the .cpp's helpers can name them.
    struct Hub;
    struct Call;

  private:
    // Runs body on the window's thread and waits (see call); false when it gave up.
    bool run(std::function<void()> body, std::stop_token stop);

    QObject* home_;
    QThread* uiThread_;
    std::shared_ptr<Hub> hub_;
};

}  // namespace qm::ui
