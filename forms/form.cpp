#include "forms/form.h"

#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QScreen>
#include <QUrl>
#include <new>

#include "base/errors.h"
#include "base/log.h"
#include "base/numbers.h"
#include "forms/ui.h"

namespace lanxi {

class Form::Window : public QWidget {
  public:
    explicit Window(Form* form) : form_(form) { setAttribute(Qt::WA_DeleteOnClose); }

  protected:
    void closeEvent(QCloseEvent* event) override {
        event->accept();
        if (form_ != nullptr) {
            form_->windowClosed();
        }
    }

    void dragEnterEvent(QDragEnterEvent* event) override {
        if (!LocalFiles(event->mimeData()).isEmpty()) {
            event->acceptProposedAction();
        }
    }
    void dropEvent(QDropEvent* event) override {
        const QStringList files = LocalFiles(event->mimeData());
        if (!files.isEmpty() && form_ != nullptr) {
            event->acceptProposedAction();
            emit form_->filesDropped(files);
        }
    }

  private:
    QPointer<Form> form_;
};

Form::Form(const QString& name, QObject* parent) : QObject(parent) {
    setObjectName(name);
}

Form::~Form() {
    if (window_ != nullptr) {
        delete window_.data();
    }
}

void Form::Show() {
    if (window_ == nullptr) {
        auto* window = new Window(this);
        window->setObjectName(objectName());
        window_ = window;
        BuildControls(window);
        Form_Load();
        // Centred on the screen each time it is loaded.
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = window->frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            window->move(frame.topLeft());
        }
        emit loaded();
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void Form::Unload() {
    if (window_ != nullptr) {
        window_->close();
    }
}

void Form::windowClosed() {
    if (window_ == nullptr) {
        return;
    }
    QWidget* closing = window_;
    window_ = nullptr;
    for (ControlSlot* control : controls_) {
        control->release();
    }
    // The window is deleted once the current event is done, so a handler that unloads its own
    // window may finish safely.
    closing->hide();
    emit unloaded();
}

void Form::BuildFromDesign(QWidget* window,
                           std::initializer_list<std::span<const ControlDesign>> parts) {
    std::vector<ControlDesign> design;
    for (const std::span<const ControlDesign> part : parts) {
        design.insert(design.end(), part.begin(), part.end());
    }
    BuildDesign(window, design);
    for (ControlSlot* control : controls_) {
        control->bind(window);
    }
}

void Form::AcceptDrops(QWidget* window) {
    window->setAcceptDrops(true);
}

QStringList LocalFiles(const QMimeData* data) {
    QStringList files;
    if (data != nullptr) {
        for (const QUrl& url : data->urls()) {
            if (url.isLocalFile()) {
                files << QDir::toNativeSeparators(url.toLocalFile());
            }
        }
    }
    return files;
}

void Form::setClientSizeTwips(QWidget* window, int width, int height) {
    window->setFixedSize(width / kTwipsPerPixel, height / kTwipsPerPixel);
}

void RunHandler(QWidget* window, const std::function<void()>& handler) noexcept {
    QString why;
    try {
        handler();
        return;
    } catch (const Error& e) {
        why = e.message();
        qCWarning(lcProgram) << "a handler failed:" << why;
    } catch (const std::bad_alloc&) {
        why = QStringLiteral("内存不足");
        qCWarning(lcProgram) << "a handler ran out of memory";
    } catch (const std::exception& e) {
        why = QStringLiteral("程序内部出错");
        qCCritical(lcProgram) << "a handler failed on a fault of the program:" << e.what();
    } catch (...) {
        why = QStringLiteral("程序内部出错");
        qCCritical(lcProgram) << "a handler failed on an unknown exception";
    }
    try {
        MsgBox(window, QStringLiteral("这一步没有完成：%1。\n\n窗口仍可以继续使用。").arg(why),
               vbCritical);
    } catch (...) {
        qCCritical(lcProgram) << "the failure could not be shown";
    }
}

}  // namespace lanxi
