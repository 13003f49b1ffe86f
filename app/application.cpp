#include "app/application.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

#include "app/identity.h"

namespace lanxi {

Application::Application() : form3_(std::make_unique<Form3>()) {
    form3_->showWorkspace = [this] { form1().Show(); };
    form3_->showBatchWindow = [this] { form2().Show(); };
    form3_->endProgram = [this] { End(); };
}

Application::~Application() = default;

void Application::Start(const QStringList& arguments) {
    const StartRequest request = ParseStart(arguments);
    if (request.window == StartRequest::Window::StartScreen) {
        form3_->Show();
    } else {
        Handle(request);
    }
}

void Application::Handle(const StartRequest& request) {
    waiting_.push_back(request);
    if (!keepRunning_) {
        keepRunning_.emplace();
    }
    // Done once the program runs, as a drop is: the window is up before a picture loads.
    QTimer::singleShot(0, this, &Application::handleNext);
}

void Application::handleNext() {
    if (handling_ || waiting_.empty()) {
        return;
    }
    if (QApplication::activeModalWidget() != nullptr) {
        QTimer::singleShot(200, this, &Application::handleNext);
        return;
    }
    handling_ = true;
    const StartRequest request = waiting_.front();
    waiting_.pop_front();
    show(request);
    handling_ = false;
    if (waiting_.empty()) {
        keepRunning_.reset();
    } else {
        QTimer::singleShot(0, this, &Application::handleNext);
    }
}

void Application::show(const StartRequest& request) {
    switch (request.window) {
        case StartRequest::Window::StartScreen:
            form3_->Show();
            break;
        case StartRequest::Window::Workspace:
            // The start screen stays away: the workspace reaches the batch window and the home
            // page itself, and closing it then ends the program, as closing a picture's window
            // should.
            form1().Show();
            if (request.paths.isEmpty()) {
                break;
            }
            if (QFileInfo(request.paths.constFirst()).isDir()) {
                // A folder is no picture: the open dialog starts in it, for the user to choose
                // one.
                const QString before = form1_->CommonDialog1.InitDir;
                form1_->CommonDialog1.InitDir = request.paths.constFirst();
                form1_->Command5_Click();
                form1_->CommonDialog1.InitDir = before;
            } else {
                form1_->Form_DragDrop(request.paths);
            }
            break;
        case StartRequest::Window::Batch:
            form2().CompressHandedOver(request.paths, request.preset);
            break;
    }
}

Form1& Application::form1() {
    if (!form1_) {
        form1_ = std::make_unique<Form1>();
        form1_->showBatchWindow = [this] { form2().Show(); };
        form1_->HomePage = HomePageAddress();
    }
    return *form1_;
}

Form2& Application::form2() {
    if (!form2_) {
        form2_ = std::make_unique<Form2>();
    }
    return *form2_;
}

void Application::End() {
    // The workspace and the batch window go first, so that closing the start screen last does
    // not leave the program waiting on them.
    for (Form* form : {static_cast<Form*>(form1_.get()), static_cast<Form*>(form2_.get()),
                       static_cast<Form*>(form3_.get())}) {
        if (form != nullptr) {
            form->Unload();
        }
    }
    QCoreApplication::exit(0);
}

}  // namespace lanxi
