#pragma once

#include <QEventLoopLocker>
#include <QObject>
#include <QStringList>
#include <deque>
#include <memory>
#include <optional>

#include "app/form3.h"
#include "app/one_program.h"
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

    // The program's only start-up step, given its command line (see ParseStart): shows the
    // start screen, or, given pictures (as "Open with" in a file manager passes them), the
    // workspace alone with the first of them opened as a file dropped on it opens, or what
    // --workspace or --batch asks for.
    void Start(const QStringList& arguments = {});
    Form3& form3() { return *form3_; }
    // The window objects, made on first use.
    Form1& form1();
    Form2& form2();
    bool hasForm1() const { return form1_ != nullptr; }
    bool hasForm2() const { return form2_ != nullptr; }

    // Does what a start asks for, this one's or one handed over by a later start. Requests are
    // done one after the other, each once the one before has ended (a batch run once its
    // closing message is closed) and no dialog is up, so that none pulls a window from under a
    // question put to the user.
    void Handle(const StartRequest& request);

    // Ends the program at once: every window closes without being asked.
    void End();

  private:
    void handleNext();
    void show(const StartRequest& request);

    std::unique_ptr<Form3> form3_;
    std::unique_ptr<Form1> form1_;
    std::unique_ptr<Form2> form2_;
    std::deque<StartRequest> waiting_;
    bool handling_ = false;
    // The program stays while requests wait, even with no window open.
    std::optional<QEventLoopLocker> keepRunning_;
};

}  // namespace lanxi
