#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>
#include <atomic>
#include <memory>
#include <optional>

#include "upload/upload_copy.h"
#include "document/drawn_image.h"

namespace lanxi {

// A copy as the workspace tells it: "183 KB（质量87）", with its pixels when the fitting gave
// some up ("，612 × 408 像素").
QString CopyDescription(const FittedCopy& copy, QSize result = {});

// What the upload copy of the workspace's result would be, worked out away from the
// user-interface thread. Requests come faster than a large picture is encoded: a request that
// has not started is replaced by the next, one in progress is given up, so the readout always
// ends on the latest result and no click waits for an encoder. The object belongs to the
// user-interface thread; destroying it gives up the work in flight and waits for it.
class CopyEstimate : public QObject {
    Q_OBJECT
  public:
    explicit CopyEstimate(QObject* parent = nullptr);
    ~CopyEstimate() override;

    // Asks for the copy of `drawing` (its whole image, as a save writes it) under `limits`.
    // Returns the request's number.
    int Request(const DrawnImage& drawing, const SiteLimits& limits);
    // The copy of the latest request, once it is ready; empty while it is being worked out.
    const std::optional<FittedCopy>& Latest() const { return latest_; }
    int LatestRequest() const { return requested_; }
    bool Busy() const { return running_ != nullptr; }

  signals:
    // The copy of the latest request is ready (see Latest()).
    void ready();

  private:
    struct Job {
        int number = 0;
        DrawnImage drawing;
        SiteLimits limits;
        std::atomic<bool> cancel{false};
    };
    void start(std::shared_ptr<Job> job);
    void landed();

    QThreadPool pool_;
    QFutureWatcher<FittedCopy> watcher_;
    std::shared_ptr<Job> running_;
    std::shared_ptr<Job> waiting_;
    std::optional<FittedCopy> latest_;
    int requested_ = 0;
};

}  // namespace lanxi
