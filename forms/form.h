#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>
#include <span>
#include <tuple>
#include <utility>
#include <vector>

#include "forms/controls.h"

class QMimeData;

namespace lanxi {

class ControlSlot;

// The local files (and folders) among dragged data, with the system's separators.
QStringList LocalFiles(const QMimeData* data);

// Runs an event handler (see Form::On): whatever it throws is logged and told to the user over
// `window`, and goes no further.
void RunHandler(QWidget* window, const std::function<void()>& handler) noexcept;

// A window object. The object lives for the whole run; its window and controls exist while it
// is loaded. Show() loads the window from its design (controls, texts, sizes and enabled states
// as designed, then Form_Load) when it is not loaded, and shows it modeless without an owner.
// Closing the window, by its close box or Unload(), destroys the window and its controls; the
// object and its member variables stay (its control members go null), and the next Show() loads
// the window anew.
class Form : public QObject {
    Q_OBJECT
  public:
    explicit Form(const QString& name, QObject* parent = nullptr);
    ~Form() override;

    void Show();
    void Unload();
    bool IsLoaded() const { return window_ != nullptr; }
    // The window while loaded, otherwise nullptr.
    QWidget* window() const { return window_; }

    // A control of the loaded window by its name ("Command5", "Label1(2)").
    template <class T = QWidget>
    T* control(const QString& name) const {
        return window_ != nullptr ? window_->findChild<T*>(name) : nullptr;
    }

  signals:
    void loaded();
    void unloaded();
    // Files (and folders) from the file manager were dropped on the window; see AcceptDrops.
    void filesDropped(const QStringList& paths);

  protected:
    // Builds the controls of the window as designed and connects their events.
    virtual void BuildControls(QWidget* window) = 0;
    virtual void Form_Load() {}
    // The client area's size in twips; the window is laid out for it and not resizable.
    void setClientSizeTwips(QWidget* window, int width, int height);
    // Lets files be dropped on the window (see filesDropped).
    void AcceptDrops(QWidget* window);
    // Makes the design's controls in the window (see BuildDesign), the parts one after the
    // other in one Tab order, and points the control members (Control, ControlArray) at them.
    void BuildFromDesign(QWidget* window,
                         std::initializer_list<std::span<const ControlDesign>> parts);

    // Connects a control's event to a handler of this window (a member function of the window
    // object, given the event's first arguments). A failure the handler does not deal with
    // itself ends the handler there: it is logged, the user is told that the step failed and
    // why, and the window stays usable. No exception ever reaches Qt's event handling.
    template <class Sender, class Signal, class C, class... A>
    void On(const Sender& sender, Signal signal, void (C::*handler)(A...)) {
        connect(&*sender, signal, this, [this, handler](auto... args) {
            RunHandler(window_, [&] {
                const auto given = std::forward_as_tuple(args...);
                [&]<std::size_t... I>(std::index_sequence<I...>) {
                    (static_cast<C*>(this)->*handler)(std::get<I>(given)...);
                }
                (std::index_sequence_for<A...>{});
            });
        });
    }

  private:
    friend class ControlSlot;
    class Window;
    void windowClosed();

    QPointer<QWidget> window_;
    std::vector<ControlSlot*> controls_;
};

// The control members of a window object. Each stands for the control of its name in the
// loaded window; it is null from the moment the window is closed (and a QPointer besides), so
// that a handler resumed after a dialog, a late signal or a worker landing after a close never
// reaches a control of a window that is gone. Members are pointed at their controls when the
// window is built, by name.
class ControlSlot {
  public:
    ControlSlot(const ControlSlot&) = delete;
    ControlSlot& operator=(const ControlSlot&) = delete;

  protected:
    explicit ControlSlot(Form* form) { form->controls_.push_back(this); }
    ~ControlSlot() = default;

  private:
    friend class Form;
    virtual void bind(const QWidget* window) = 0;
    virtual void release() = 0;
};

// One control: `Control<QPushButton> Command5{this, "Command5"};`
template <class T>
class Control : public QPointer<T>, private ControlSlot {
  public:
    Control(Form* form, const char* name) : ControlSlot(form), name_(name) {}

  private:
    void bind(const QWidget* window) override {
        static_cast<QPointer<T>&>(*this) = window->findChild<T*>(QString::fromUtf8(name_));
        Q_ASSERT_X(!this->isNull(), "Control", name_);
    }
    void release() override { this->clear(); }

    const char* name_;
};

// A control array, whose controls are named "Label1(0)", "Label1(1)", ...:
// `ControlArray<VbLabel, 8> Label1{this, "Label1"};`
template <class T, std::size_t N>
class ControlArray : private ControlSlot {
  public:
    ControlArray(Form* form, const char* name) : ControlSlot(form), name_(name) {}

    const QPointer<T>& operator[](std::size_t index) const { return controls_[index]; }
    static constexpr std::size_t size() { return N; }

  private:
    void bind(const QWidget* window) override {
        for (std::size_t i = 0; i < N; ++i) {
            controls_[i] = window->findChild<T*>(
                QStringLiteral("%1(%2)").arg(QString::fromUtf8(name_)).arg(i));
            Q_ASSERT_X(!controls_[i].isNull(), "ControlArray", name_);
        }
    }
    void release() override {
        for (QPointer<T>& control : controls_) {
            control.clear();
        }
    }

    const char* name_;
    std::array<QPointer<T>, N> controls_;
};

}  // namespace lanxi
