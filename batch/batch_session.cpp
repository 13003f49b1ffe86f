#include "batch/batch_session.h"

#include <QEventLoop>
#include <QFileInfo>

#include "batch/batch_progress.h"
#include "forms/ui.h"

namespace lanxi {
namespace {

// The message box style of the closing message: no icon when all went well.
int closingMessageStyle(const BatchSummary& s) {
    if (s.written == s.total) {
        return vbOKOnly;
    }
    return s.failures.empty() ? vbInformation : vbExclamation;
}

}  // namespace

BatchSession::BatchSession(std::vector<BatchJob> jobs, QWidget* window, int workers)
    : run_(std::move(jobs), nullptr, workers), window_(window) {
    connect(&run_, &BatchRun::rowStarted, this, [this](int row) {
        inFlight_.push_back(row);
        emit progressed(run_.Done(), FileInFlight());
    });
    connect(&run_, &BatchRun::rowFinished, this, [this](int row) {
        std::erase(inFlight_, row);
        emit progressed(run_.Done(), FileInFlight());
    });
}

BatchSession::~BatchSession() = default;

QString BatchSession::FileInFlight() const {
    return inFlight_.empty()
               ? QString()
               : QFileInfo(run_.jobs()[std::size_t(inFlight_.back())].source).fileName();
}

void BatchSession::Stop() {
    run_.Stop();
}

void BatchSession::WindowClosed() {
    windowClosed_ = true;
    run_.Stop();
}

bool BatchSession::Run() {
    if (run_.jobs().empty()) {
        return true;
    }
    QPointer<QWidget> window = window_;
    QPointer<BatchProgress> progress;
    if (window) {
        // The window outlives a close during the run: the handler that runs this still stands
        // on it, so it is deleted only once the run is over.
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        progress = new BatchProgress(window, int(run_.jobs().size()));
        connect(this, &BatchSession::progressed, progress, &BatchProgress::setRow);
        connect(progress, &BatchProgress::stopRequested, this, &BatchSession::Stop);
        progress->show();
    }
    QEventLoop loop;
    connect(&run_, &BatchRun::finished, &loop, &QEventLoop::quit);
    emit started();
    run_.Start();
    if (run_.IsRunning()) {
        loop.exec();
    }
    delete progress.data();
    if (!window) {
        return !windowClosed_;
    }
    if (windowClosed_) {
        window->deleteLater();
        return false;
    }
    window->setAttribute(Qt::WA_DeleteOnClose, true);
    return true;
}

void BatchSession::Tell() {
    const BatchSummary summary = run_.Summary();
    MsgBox(window_, ClosingMessage(summary), closingMessageStyle(summary));
}

}  // namespace lanxi
