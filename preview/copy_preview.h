#pragma once

#include <QFutureWatcher>
#include <QPushButton>
#include <QWidget>

#include "forms/controls.h"
#include "forms/owned_window.h"
#include "preview/preview_canvas.h"
#include "preview/previewed_copy.h"

namespace lanxi {

// The window that shows an upload copy as the site will receive it: its file decoded, at 100 %
// or fitted to the window, with its bytes, pixels and quality on a line below; while the space
// bar or the left button is held, what it was made from instead. It follows its owner, which
// keeps one at a time and gives it each new copy.
class CopyPreview : public OwnedWindow {
    Q_OBJECT
  public:
    explicit CopyPreview(QWidget* owner);
    ~CopyPreview() override;

    // Shows a copy, or why there is none (PreviewedCopy::failure).
    void ShowCopy(const PreviewedCopy& copy);
    // A new copy is being made: the last one goes and the line says so.
    void ShowPending();
    // Shows a copy written at `copy` from `source`, read and decoded away from the user-interface
    // thread (PreviewOfFiles); meanwhile the window says it is reading them.
    void ShowFiles(const QString& copy, const QString& source, int quality, Reduction reduction);
    // The files are being read.
    bool Loading() const { return loading_ != nullptr; }

    // What the window shows (for its owner and for tests).
    const PreviewedCopy& Shown() const { return shown_; }
    PreviewCanvas* Canvas() const { return canvas_; }

  private:
    void showTexts();

    PreviewCanvas* canvas_;
    VbLabel* info_;  // a readout: bytes, quality, pixels
    VbLabel* mode_;  // a readout: the copy or what it was made from, and the scale
    VbLabel* note_;
    QPushButton* actual_;
    QPushButton* fit_;
    QPushButton* close_;
    PreviewedCopy shown_;
    QString baseTitle_;
    QFutureWatcher<PreviewedCopy>* loading_ = nullptr;
};

}  // namespace lanxi
