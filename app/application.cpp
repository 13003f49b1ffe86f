#include "app/application.h"

#include <QCoreApplication>
#include <QDir>
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

void Application::Start(const QStringList& pictures) {
    if (pictures.isEmpty()) {
        form3_->Show();
        return;
    }
    // The start screen stays away: the workspace reaches the batch window and the home page
    // itself, and closing it then ends the program, as closing a picture's window should.
    form1().Show();
    // A dropped file comes with its whole native path, which the workspace keeps for saving
    // beside it; a name on the command line may be relative to the current folder.
    QStringList paths;
    for (const QString& picture : pictures) {
        paths << QDir::toNativeSeparators(QFileInfo(picture).absoluteFilePath());
    }
    // Opened once the program runs, as a drop is: the window is up before the picture loads.
    QTimer::singleShot(0, form1_.get(), [this, paths] { form1_->Form_DragDrop(paths); });
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
