#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>
#include <memory>
#include <optional>

#include "base/stop.h"
#include "document/drawn_image.h"
#include "preview/previewed_copy.h"
#include "upload/upload_copy.h"

namespace lanxi {

// What the upload copy of the workspace's result would be, worked out away from the
// user-interface thread, at the copy's own pixels straight from the pictures the result is
// drawn from: a result enlarged many times is never made whole for it. Requests come faster than
// a large picture is encoded: a request that has not started is replaced by the next, one in
// progress is stopped, so the readout always ends on the latest result and no click waits for
// an encoder. The object belongs to the user-interface thread; destroying it stops the work in
// flight and waits for it.
class CopyEstimate : public QObject {
    Q_OBJECT
  public:
    explicit CopyEstimate(QObject* parent = nullptr);
    ~CopyEstimate() override;

    // Asks for the copy of `drawing` (its whole image, as a save writes it) under `limits`.
    // Without limits the copy is only measured (FittedCopy::bytes), as no save takes it, unless
    // its file is kept for a preview.
    void Request(const DrawnImage& drawing, const SiteLimits& limits);
    // The copy of the latest request, once it is ready; empty while it is being worked out.
    const std::optional<FittedCopy>& Latest() const { return latest_; }
    bool Busy() const { return running_ != nullptr; }

    // While a preview shows the copy, every copy keeps its file, decoded on the worker too
    // (LatestPreview); a request for the state whose copy is ready only decodes that copy.
    void setKeepFile(bool keep);
    // The preview of the latest copy while files are kept, once it is ready; else null.
    const PreviewedCopy* LatestPreview() const {
        return latest_ && preview_ ? &*preview_ : nullptr;
    }

  signals:
    // The copy of the latest request is ready (see Latest()).
    void ready();

  private:
    struct Job {
        DrawnImage drawing;
        SiteLimits limits;
        bool keepFile = false;
        std::optional<FittedCopy> made;  // the copy of this very state, made already
        lanxi::Stop stop;
    };
    struct Made {
        FittedCopy copy;
        std::optional<PreviewedCopy> preview;
    };
    void start(std::shared_ptr<Job> job);
    void landed();

    QThreadPool pool_;
    QFutureWatcher<Made> watcher_;
    std::shared_ptr<Job> running_;
    std::shared_ptr<Job> waiting_;
    std::optional<FittedCopy> latest_;
    std::optional<PreviewedCopy> preview_;
    // What the latest copy was made of.
    DrawnImage latestDrawing_;
    SiteLimits latestLimits_;
    bool keepFile_ = false;
};

}  // namespace lanxi
