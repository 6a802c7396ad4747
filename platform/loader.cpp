// The background loader: one worker thread that runs the start-up's file
// work (decoding, parsing) in the order it was handed over.
#include "platform/platform.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <new>
#include <thread>

namespace {

// Never destroyed: the worker may still wait on it while the process exits.
struct Loader {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<LoaderJob*> queue;
};
Loader* TheLoader = nullptr;
bool LoaderFailed = false;

void RunLoader(Loader* loader) {
    for (;;) {
        LoaderJob* job;
        {
            std::unique_lock<std::mutex> hold(loader->lock);
            loader->changed.wait(hold, [loader] { return !loader->queue.empty(); });
            job = loader->queue.front();
        }
        job->run(job->data);
        {
            std::lock_guard<std::mutex> hold(loader->lock);
            loader->queue.pop_front();
            job->done = true;
        }
        loader->changed.notify_all();
    }
}

bool StartLoader() {
    if (TheLoader != nullptr) return true;
    if (LoaderFailed) return false;
    Loader* loader = new (std::nothrow) Loader();
    if (loader != nullptr) {
        try {
            std::thread(RunLoader, loader).detach();
            TheLoader = loader;
            return true;
        } catch (const std::exception&) {
            delete loader;
        }
    }
    LoaderFailed = true;
    return false;
}

} // namespace

bool StartLoaderJob(LoaderJob* job) {
    job->done = false;
    if (!StartLoader()) return false;
    try {
        std::lock_guard<std::mutex> hold(TheLoader->lock);
        TheLoader->queue.push_back(job);
    } catch (const std::exception&) {
        return false;
    }
    TheLoader->changed.notify_all();
    return true;
}

void WaitLoaderJob(LoaderJob* job) {
    if (TheLoader == nullptr) return;
    std::unique_lock<std::mutex> hold(TheLoader->lock);
    TheLoader->changed.wait(hold, [job] { return job->done; });
}

bool LoaderJobDone(LoaderJob* job) {
    if (TheLoader == nullptr) return true;
    std::lock_guard<std::mutex> hold(TheLoader->lock);
    return job->done;
}
