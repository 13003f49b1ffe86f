#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace lanxi {

// A window object. The object lives for the whole run; its window and controls exist while it
// is loaded. Show() loads the window from its design (controls, texts, sizes and enabled states
// as designed, then Form_Load) when it is not loaded, and shows it modeless without an owner.
// Closing the window, by its close box or Unload(), destroys the window and its controls; the
// object and its member variables stay, and the next Show() loads the window anew.
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
    // The window, standing for its handle where the platform calls want one.
    QWidget* hWnd() const { return window_; }

    // A control of the loaded window by its name ("Command5", "Label1(2)").
    template <class T = QWidget>
    T* control(const QString& name) const {
        return window_ != nullptr ? window_->findChild<T*>(name) : nullptr;
    }

  signals:
    void loaded();
    void unloaded();

  protected:
    // Builds the controls of the window as designed.
    virtual void BuildControls(QWidget* window) = 0;
    virtual void Form_Load() {}
    // The client area's size in twips; the window is laid out for it and not resizable.
    void setClientSizeTwips(QWidget* window, int width, int height);

  private:
    class Window;
    void windowClosed();

    QPointer<QWidget> window_;
};

}  // namespace lanxi
