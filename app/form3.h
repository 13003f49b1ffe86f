#pragma once

#include <QPushButton>
#include <array>
#include <functional>

#include "picture/controls.h"
#include "picture/form.h"

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

    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;
    ShapeRect* Shape1 = nullptr;
    std::array<VbLabel*, 4> Label1{};

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();

  protected:
    void BuildControls(QWidget* window) override;
};

}  // namespace lanxi
