// What the last run did with each file, kept until the next run.
#include "batch/form2.h"
#include "compress/batch_run.h"

namespace lanxi {

void Form2::keepResults(const BatchRun& run) {
    lastJobs_ = run.jobs();
    lastResults_ = run.results();
    if (Command5) {
        Command5->setEnabled(!lastJobs_.empty());
    }
}

void Form2::forgetResults() {
    if (results_) {
        results_->close();
    }
    lastJobs_.clear();
    lastResults_.clear();
    if (Command5) {
        Command5->setEnabled(false);
    }
}

void Form2::Command5_Click() {
    if (!results_) {
        results_ = new BatchResults(window(), lastJobs_, lastResults_);
    }
    results_->Bring();
}

}  // namespace lanxi
