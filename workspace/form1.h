#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

#include "base/numbers.h"
#include "document/picture_clip.h"
#include "forms/common_dialog.h"
#include "forms/controls.h"
#include "forms/form.h"
#include "forms/picture_frame.h"
#include "preview/copy_preview.h"
#include "upload/upload_copy.h"
#include "workspace/copy_estimate.h"
#include "workspace/edit_history.h"

namespace lanxi {

struct ResultSize;
struct SizingState;
class Form1;

// What the sizing rules (scaling.h) read of the workspace: its frames' sizes and its members.
SizingState sizingState(const Form1& form);

// The workspace window: a picture opened into the left frame is cropped, scaled and copied
// into the right frame, and the result is saved with a JPEG copy.
class Form1 : public Form {
    Q_OBJECT
  public:
    explicit Form1(QObject* parent = nullptr);

    // Shows the batch window; the application connects it (the workspace knows no other window).
    std::function<void()> showBatchWindow;
    // The site's home page, which "进入：岚溪文坊" opens; the application gives it.
    QString HomePage;

    // Window state, kept across a close and reopen (only the two flags are reset on load).
    std::int32_t MouseDownX = 0;
    std::int32_t MouseDownY = 0;
    Boolean SelectDragging = kFalse;
    QString OpenedFileName;
    Boolean SelectionMade = kFalse;
    float BaseWidth = 0;
    float BaseHeight = 0;
    float OpenedWidth = 0;
    float OpenedHeight = 0;

    // Controls, valid while the window is loaded (see Control).
    Control<PictureFrame> Picture1{this, "Picture1"};  // the result, inside Picture3
    Control<PictureFrame> Picture2{this, "Picture2"};  // the working picture, inside Picture4
    Control<PictureFrame> Picture3{this, "Picture3"};  // right pane
    Control<PictureFrame> Picture4{this, "Picture4"};  // left pane
    Control<PictureFrame> Picture5{this, "Picture5"};  // size strip
    Control<ShapeRect> Shape1{this, "Shape1"};         // the crop rectangle, inside Picture2
    ControlArray<VbLabel, 8> Label1{this, "Label1"};
    Control<QLineEdit> Text1{this, "Text1"};
    Control<QLineEdit> Text2{this, "Text2"};
    Control<QPushButton> Command1{this, "Command1"};
    Control<QPushButton> Command2{this, "Command2"};
    Control<QPushButton> Command3{this, "Command3"};
    Control<QPushButton> Command4{this, "Command4"};
    Control<QPushButton> Command5{this, "Command5"};
    Control<QPushButton> Command6{this, "Command6"};
    Control<QPushButton> Command7{this, "Command7"};
    Control<QPushButton> Command8{this, "Command8"};
    Control<QPushButton> Command9{this, "Command9"};
    Control<QPushButton> Command10{this, "Command10"};
    Control<QPushButton> Command11{this, "Command11"};
    Control<QPushButton> Command12{this, "Command12"};
    CommonDialog CommonDialog1;
    PictureClip PictureClip1;
    // The strip below the designed area.
    Control<VbLabel> Label2{this, "Label2"};    // "上传要求："
    Control<QComboBox> Combo1{this, "Combo1"};  // the site's limits the copy is fitted to
    Control<VbLabel> Label3{this, "Label3"};    // what the "_YS" copy of the result would be
    Control<QPushButton> Command13{this, "Command13"};  // undo
    Control<QPushButton> Command14{this, "Command14"};  // redo
    Control<QPushButton> Command15{this, "Command15"};  // trim the blank margins
    Control<QPushButton> Command16{this, "Command16"};  // forget the remembered choices
    Control<QPushButton> Command17{this, "Command17"};  // preview the upload copy

    // Event handlers.
    void Command1_Click();   // enlarge, or fixed size
    void Command2_Click();   // shrink, or fixed size
    void Command3_Click();   // save the result
    void Command4_Click();   // copy to the left
    void Command5_Click();   // open a picture
    void Command6_Click();   // restore the opened picture
    void Command7_Click();   // close
    void Command8_Click();   // reset scaling
    void Command9_Click();   // home page
    void Command10_Click();  // copy to the right
    void Command11_Click();  // batch window
    void Command12_Click();  // clear the fixed size
    void Picture1_MouseDown(int Button, int Shift, float X, float Y);
    void Picture1_MouseMove(int Button, int Shift, float X, float Y);
    void Picture2_MouseDown(int Button, int Shift, float X, float Y);
    void Picture2_MouseMove(int Button, int Shift, float X, float Y);
    void Picture2_MouseUp(int Button, int Shift, float X, float Y);
    // The crop by keyboard: the arrows move the rectangle (with Shift they size it, with Ctrl
    // ten pixels at a time), Enter cuts it as the mouse's release does, Escape hides it.
    void Picture2_KeyDown(int KeyCode, int Shift);
    void Combo1_Click();     // another preset chosen
    void Command13_Click();  // undo the last step (also Ctrl+Z)
    void Command14_Click();  // redo it (also Ctrl+Y and Ctrl+Shift+Z)
    void Command15_Click();  // trim the blank margins of the left picture, as a crop
    void Command16_Click();  // forget the remembered choices
    // Shows the upload copy of the result as the site will receive it, in a window of its own
    // that follows the result and the preset as the readout does.
    void Command17_Click();
    // Files dropped on the window: the first opens as if it had been chosen in the open dialog.
    void Form_DragDrop(const QStringList& files);

    // The preset chosen in the strip (Unlimited while the window is not loaded).
    SitePreset Preset() const;
    // The readout is being worked out.
    bool Estimating() const { return estimate_.Busy() || estimateDue_; }
    // The window of Command17 while it is open, else null.
    CopyPreview* Preview() const { return preview_; }
    // What works out the readout's copy, and the preview's.
    const CopyEstimate& Estimate() const { return estimate_; }

    // The steps that can be undone and redone, kept while the window is loaded and forgotten
    // when another picture is opened.
    EditHistory& History() { return history_; }
    // What the steps change, as the window shows it now; and giving the window such a state.
    WorkspaceState State() const;
    void setState(const WorkspaceState& state);

    // The names the window's remembered choices are kept under (see Remembered).
    static constexpr char kRememberedFolder[] = "workspace/dialogFolder";
    static constexpr char kRememberedPreset[] = "workspace/preset";

    static const QString kTitle;       // title of the workspace's hint box
    static const QString kFileFilter;  // the save dialog's filter, and the designed open filter
    // The open dialog's filter: the designed entries first, then one for every picture the
    // program opens.
    static const QString kOpenFilter;

  protected:
    void BuildControls(QWidget* window) override;
    void Form_Load() override;
    // Undoes and redoes by the keys that reach the window when no shortcut took them.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // A picture is open in the window, so there is a result to size, estimate and save.
    bool hasPicture() const;
    // Opens the file chosen in the dialog or dropped on the window.
    void openChosen(const QString& path);
    // The readout follows the result: a new estimate once the current event is done.
    void estimateCopy();
    void showCopy();
    // The common body of the enlarge and shrink buttons; gives the step's name.
    QString scaleResult(double stepFactor);
    // Runs a step that may change the result, `body` giving its name, and keeps it in the
    // history.
    void step(const std::function<QString()>& body);
    // The release of a crop, by the mouse or by Enter: the cut, kept in the history as one step
    // with the moves that made the rectangle.
    void releaseCrop();
    // Shows the crop rectangle over a part of the left picture as a drag over exactly that part
    // would: its size in the readouts, the crop waiting for its first zoom.
    void showCrop(const QRect& crop);
    // The release's cut of the rectangle Shape1 shows, into the right frame.
    void cutSelection();
    // The undo and redo buttons follow the history.
    void showHistory();
    // A preset's sizing of the result.
    void sizeToPreset();
    // The last steps of the zoom, shrink and reset buttons: the right frame takes the computed
    // size, the left frame's picture is painted stretched over it, and the readouts follow.
    void showResult(const ResultSize& size);
    // The common body of the two copies: `to` takes `from`'s size and its assigned picture.
    void copyPicture(PictureFrame* from, PictureFrame* to);

    // The preview shows the latest estimate's copy once it is ready.
    void showPreview();

    CopyEstimate estimate_;
    bool estimateDue_ = false;
    QPointer<CopyPreview> preview_;
    EditHistory history_;
    // The state before the crop drag, or the keys moving the rectangle, in progress.
    std::optional<WorkspaceState> beforeCrop_;
};

}  // namespace lanxi
