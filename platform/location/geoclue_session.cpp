// A GeoClue request on its own thread: GClueSimple on a private GLib main context, cancelled
// from any thread through a GCancellable and a loop quit.
#include "platform/location/geoclue_session.h"

#include <geoclue.h>
#include <mutex>
#include <thread>

namespace zplatform {

namespace {
// The name of the application's desktop entry (zephrun.desktop), which GeoClue checks.
constexpr const char* kDesktopId = "zephrun";
} // namespace

struct GeoClueSession::Impl {
    std::mutex mutex;
    bool cancelled = false;
    GMainLoop* loop = nullptr;           // while the thread runs, guarded by mutex
    GCancellable* cancellable = nullptr; // same
    PositionFn position;
    FailureFn failure;
    GClueSimple* simple = nullptr; // session thread only

    bool isCancelled() {
        std::lock_guard lock(mutex);
        return cancelled;
    }

    void report() {
        GClueLocation* location = gclue_simple_get_location(simple);
        if (!location || isCancelled()) return;
        position(Location{gclue_location_get_latitude(location),
                          gclue_location_get_longitude(location),
                          gclue_location_get_accuracy(location)});
    }

    static void onLocationChanged(GObject*, GParamSpec*, gpointer data) {
        static_cast<Impl*>(data)->report();
    }

    static void onReady(GObject*, GAsyncResult* result, gpointer data) {
        auto* self = static_cast<Impl*>(data);
        GError* error = nullptr;
        self->simple = gclue_simple_new_finish(result, &error);
        if (!self->simple) {
            if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED) && !self->isCancelled()) {
                bool denied = g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_ACCESS_DENIED);
                self->failure(denied, error ? error->message : "unknown error");
            }
            if (error) g_error_free(error);
            std::lock_guard lock(self->mutex);
            if (self->loop) g_main_loop_quit(self->loop);
            return;
        }
        g_signal_connect(self->simple, "notify::location", G_CALLBACK(onLocationChanged), self);
        self->report();
    }

    void run() {
        GMainContext* context = g_main_context_new();
        g_main_context_push_thread_default(context);
        GMainLoop* mainLoop = g_main_loop_new(context, FALSE);
        GCancellable* cancel = g_cancellable_new();
        bool go;
        {
            std::lock_guard lock(mutex);
            go = !cancelled;
            loop = mainLoop;
            cancellable = cancel;
        }
        if (go) {
            gclue_simple_new(kDesktopId, GCLUE_ACCURACY_LEVEL_EXACT, cancel, onReady, this);
            g_main_loop_run(mainLoop);
        }
        {
            std::lock_guard lock(mutex);
            loop = nullptr;
            cancellable = nullptr;
        }
        if (simple) {
            g_signal_handlers_disconnect_by_data(simple, this);
            g_object_unref(simple);
            simple = nullptr;
        }
        g_cancellable_cancel(cancel);
        // Lets a cancelled start deliver its callback while `this` is still alive.
        while (g_main_context_iteration(context, FALSE)) {
        }
        g_object_unref(cancel);
        g_main_loop_unref(mainLoop);
        g_main_context_pop_thread_default(context);
        g_main_context_unref(context);
    }
};

GeoClueSession::~GeoClueSession() = default;

std::shared_ptr<GeoClueSession> GeoClueSession::start(PositionFn position, FailureFn failure) {
    std::shared_ptr<GeoClueSession> session(new GeoClueSession());
    session->impl_ = std::make_unique<Impl>();
    session->impl_->position = std::move(position);
    session->impl_->failure = std::move(failure);
    // The thread keeps the session alive; nobody waits for it (a stuck bus must not block).
    std::thread([session] { session->impl_->run(); }).detach();
    return session;
}

void GeoClueSession::cancel() {
    std::lock_guard lock(impl_->mutex);
    impl_->cancelled = true;
    if (impl_->cancellable) g_cancellable_cancel(impl_->cancellable);
    if (impl_->loop) g_main_loop_quit(impl_->loop);
}

} // namespace zplatform
