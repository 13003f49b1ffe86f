#pragma once

#include <QPushButton>
#include <functional>

#include "forms/controls.h"
#include "forms/form.h"

namespace lanxi {

// The start screen: the site's requirements for pictures, and the way to the other windows.
class Form3 : public Form {
    Q_OBJECT
  public:
    explicit Form3(QObject* parent = nullptr);

    // Connected by the application, which owns the other windows.
    std::function<void()> showWorkspace;
    std::function<void()> showBatchWindow;
    std::function<void()> endProgram;

    // Controls, valid while the window is loaded (see Control).
    Control<QPushButton> Command1{this, "Command1"};
    Control<QPushButton> Command2{this, "Command2"};
    Control<QPushButton> Command3{this, "Command3"};
    Control<QPushButton> Command4{this, "Command4"};
    Control<ShapeRect> Shape1{this, "Shape1"};
    ControlArray<VbLabel, 4> Label1{this, "Label1"};

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();

  protected:
    void BuildControls(QWidget* window) override;
};

}  // namespace lanxi
