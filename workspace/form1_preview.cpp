// The preview of the upload copy: the readout's copy, its file decoded, in a window that follows
// the result and the preset as the readout does.
#include "workspace/form1.h"

namespace lanxi {

void Form1::Command17_Click() {
    if (!preview_) {
        preview_ = new CopyPreview(window());
        // The copies keep their files only while someone looks at them.
        connect(preview_, &QObject::destroyed, this, [this] { estimate_.setKeepFile(false); });
        estimate_.setKeepFile(true);
        showPreview();
    }
    preview_->Bring();
}

void Form1::showPreview() {
    if (!preview_) {
        return;
    }
    if (const PreviewedCopy* shown = estimate_.LatestPreview(); shown && !Estimating()) {
        preview_->ShowCopy(*shown);
        return;
    }
    preview_->ShowPending();
    if (!Estimating() && hasPicture()) {
        // The readout's copy was made before its file was wanted: the same state's copy is only
        // decoded, or made again where the readout only measured it (at quality 80). The
        // readout keeps its figures meanwhile. A copy on its way comes back here when it lands.
        estimate_.Request(Picture1->Drawing(), Describe(Preset()).limits);
    }
}

}  // namespace lanxi
