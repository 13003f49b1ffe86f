#pragma once

#include <QColor>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QWidget>

// The simple controls of the windows, measured as the windows' designs give them: in twips, or
// in the inside units of the frame they sit in.
namespace lanxi {

// Places a control at a rectangle given in twips (Left, Top, Width, Height), 15 twips a pixel.
void PlaceTwips(QWidget* control, int left, int top, int width, int height);

// A control of a window's design: made in its parent, named, placed in twips.
template <class T>
T* DesignControl(QWidget* parent, const QString& name, int left, int top, int width, int height) {
    auto* control = new T(parent);
    control->setObjectName(name);
    PlaceTwips(control, left, top, width, height);
    return control;
}

// A push button of a window's design. Enter never presses it unless it has the focus, as the
// windows have no default button.
QPushButton* DesignButton(QWidget* parent, const QString& name, const QString& text, int left,
                          int top, int width, int height, bool enabled = true);

// A shape rectangle: an outline drawn over its parent. Its geometry is in the parent's inside
// units (pixels inside a frame set to pixels); the mouse passes through it.
class ShapeRect : public QWidget {
    Q_OBJECT
  public:
    explicit ShapeRect(QWidget* parent = nullptr);

    float Left() const { return float(left_ * units()); }
    float Top() const { return float(top_ * units()); }
    float Width() const { return float(width_ * units()); }
    float Height() const { return float(height_ * units()); }
    // A negative size is refused (lanxi::Error).
    void setLeft(float v);
    void setTop(float v);
    void setWidth(float v);
    void setHeight(float v);
    // The control's own visible flag (whatever its window shows).
    bool Visible() const { return !isHidden(); }
    void setVisible(bool visible) override;
    // 1 solid, 3 dotted.
    int BorderStyle() const { return borderStyle_; }
    void setBorderStyle(int style);
    void setBorderColor(const QColor& color);
    QColor BorderColor() const { return color_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    double units() const;
    void applyGeometry();

    double left_ = 0, top_ = 0, width_ = 0, height_ = 0;  // pixels
    int borderStyle_ = 1;
    QColor color_ = Qt::black;
};

// A label: fixed text, wrapped at its width when it is more than one line high, with lines
// spaced as tightly as the design's geometry needs. With AutoSize it takes its text's width.
class VbLabel : public QLabel {
    Q_OBJECT
  public:
    explicit VbLabel(QWidget* parent = nullptr);

    QString Caption() const { return text(); }
    void setCaption(const QString& caption);
    bool AutoSize() const { return autoSize_; }
    void setAutoSize(bool on);
    void setForeColor(const QColor& color);
    // Pixels from one line of text to the next.
    int lineHeight() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void fit();
    bool autoSize_ = false;
};

}  // namespace lanxi
