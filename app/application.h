#pragma once

#include <QObject>
#include <QStringList>
#include <memory>

#include "app/form3.h"
#include "batch/form2.h"
#include "workspace/form1.h"

namespace lanxi {

// Owns the one object of each window for the whole run. The start screen is made at start;
// the workspace and the batch window on first demand, then kept and reused.
class Application : public QObject {
    Q_OBJECT
  public:
    Application();
    ~Application() override;

    // The program's only start-up step: shows the start screen, or, given pictures (the file
    // names on the program's command line, as "Open with" in a file manager passes them), the
    // workspace alone with the first of them opened as a file dropped on it opens.
    void Start(const QStringList& pictures = {});
    Form3& form3() { return *form3_; }
    // The window objects, made on first use.
    Form1& form1();
    Form2& form2();
    bool hasForm1() const { return form1_ != nullptr; }
    bool hasForm2() const { return form2_ != nullptr; }

    // Ends the program at once: every window closes without being asked.
    void End();

  private:
    std::unique_ptr<Form3> form3_;
    std::unique_ptr<Form1> form1_;
    std::unique_ptr<Form2> form2_;
};

}  // namespace lanxi
