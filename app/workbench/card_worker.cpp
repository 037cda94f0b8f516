#include "workbench/card_worker.h"

#include <QMetaObject>

namespace tilvane {

CardWorker::CardWorker(QObject *parent) : QObject(parent) {}

CardWorker::~CardWorker() {
    cancel_ = true;
    if (thread_.joinable()) thread_.join();
}

bool CardWorker::Start(const binding::ReaderApi &api, Job job) {
    if (running_) return false;
    if (thread_.joinable()) thread_.join();
    api_ = api;
    cancel_ = false;
    running_ = true;
    {
        std::lock_guard lock(mutex_);
        latest_.reset();
        delivery_posted_ = false;
        last_posted_ = {};
    }
    thread_ = std::thread([this, job = std::move(job)] {
        {
            cardwork::ReaderSession session(api_, &cancel_);
            try {
                job(session, [this](const cardwork::Progress &progress) { Report(progress); });
            } catch (...) {
                // The jobs keep their failures in their outcomes; nothing may
                // leave the thread.
            }
        }
        QMetaObject::invokeMethod(this, &CardWorker::DeliverFinished, Qt::QueuedConnection);
    });
    return true;
}

void CardWorker::Cancel() { cancel_ = true; }

void CardWorker::Report(const cardwork::Progress &progress) {
    std::lock_guard lock(mutex_);
    latest_ = progress;
    const auto now = std::chrono::steady_clock::now();
    if (delivery_posted_ || now - last_posted_ < kProgressInterval) return;
    delivery_posted_ = true;
    last_posted_ = now;
    QMetaObject::invokeMethod(this, &CardWorker::DeliverProgress, Qt::QueuedConnection);
}

void CardWorker::DeliverProgress() {
    std::optional<cardwork::Progress> progress;
    {
        std::lock_guard lock(mutex_);
        delivery_posted_ = false;
        progress.swap(latest_);
    }
    if (progress) emit progressed(*progress);
}

void CardWorker::DeliverFinished() {
    if (!running_) return;  // delivered already by Finish()
    if (thread_.joinable()) thread_.join();
    running_ = false;
    DeliverProgress();
    emit finished();
}

void CardWorker::Finish() {
    if (!running_) return;
    if (thread_.joinable()) thread_.join();
    DeliverFinished();
}

}  // namespace tilvane
