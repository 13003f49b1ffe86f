#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

#include "picture/common_dialog.h"
#include "picture/controls.h"
#include "picture/form.h"
#include "picture/numbers.h"
#include "picture/picture_clip.h"
#include "picture/picture_frame.h"

namespace lanxi {

struct ResultSize;

// The workspace window: a picture opened into the left frame is cropped, scaled and copied
// into the right frame, and the result is saved with a JPEG copy.
class Form1 : public Form {
    Q_OBJECT
  public:
    explicit Form1(QObject* parent = nullptr);

    // Shows the batch window; the application connects it (the workspace knows no other window).
    std::function<void()> showBatchWindow;

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

    // Controls, valid while the window is loaded.
    PictureFrame* Picture1 = nullptr;  // the result, inside Picture3
    PictureFrame* Picture2 = nullptr;  // the working picture, inside Picture4
    PictureFrame* Picture3 = nullptr;  // right pane
    PictureFrame* Picture4 = nullptr;  // left pane
    PictureFrame* Picture5 = nullptr;  // size strip
    ShapeRect* Shape1 = nullptr;       // the crop rectangle, inside Picture2
    std::array<VbLabel*, 8> Label1{};
    QLineEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command5 = nullptr;
    QPushButton* Command6 = nullptr;
    QPushButton* Command7 = nullptr;
    QPushButton* Command8 = nullptr;
    QPushButton* Command9 = nullptr;
    QPushButton* Command10 = nullptr;
    QPushButton* Command11 = nullptr;
    QPushButton* Command12 = nullptr;
    CommonDialog CommonDialog1;
    PictureClip PictureClip1;

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

    static const QString kTitle;       // title of the workspace's hint box
    static const QString kFileFilter;  // the open and save dialogs' filter

  protected:
    void BuildControls(QWidget* window) override;
    void Form_Load() override;

  private:
    // The common body of the enlarge and shrink buttons.
    void scaleResult(double stepFactor);
    // The last steps of the zoom, shrink and reset buttons: the right frame takes the computed
    // size, the left frame's picture is painted stretched over it, and the readouts follow.
    void showResult(const ResultSize& size);
    // The common body of the two copies: `to` takes `from`'s size and its assigned picture.
    void copyPicture(PictureFrame* from, PictureFrame* to);
};

}  // namespace lanxi
