#pragma once

#include <QColor>
#include <QLabel>
#include <QRect>
#include <QRgb>
#include <QString>
#include <QWidget>
#include <optional>
#include <span>

// The simple controls of the windows, and the builder that makes a window's controls from its
// design table.
namespace lanxi {

// How a control of a design is made: Make<QPushButton>, Make<PictureFrame>, ...
using MakeControl = QWidget* (*)(QWidget* parent);
template <class T>
QWidget* Make(QWidget* parent) {
    return new T(parent);
}

// One control of a window's design. In a table, a row reads
//     {name, kind, caption, {Left, Top, Width, Height}, tab index, {options}},
// for instance {"Command2", Make<QPushButton>, "缩小", {11400, 7920, 2175, 495}, 1,
// {.enabled = false}}.
struct ControlDesign {
    const char* name;  // the control's objectName: "Command5", "Label1(2)"
    MakeControl kind;
    // A button's, check box's or label's caption, a text box's text (UTF-8).
    const char* caption;
    // In its container's units, which are twips while a window is built (15 a pixel).
    QRect twips;
    // Place in the Tab order, counted from 0; kNoTab for a control Tab does not visit.
    int tabIndex;
    struct Options {
        // The frame whose inside holds the control; null for the window itself. A frame comes
        // before the controls inside it.
        const char* parent = nullptr;
        bool enabled = true;
        bool visible = true;
        // Frames: 0 none, 1 sunken; shapes: 1 solid, 3 dotted.
        int borderStyle = 1;
        // Labels: as wide as the caption; frames: as large as the picture they are given.
        bool autoSize = false;
        bool wordWrap = false;           // labels
        std::optional<QRgb> color = {};  // a label's text, a shape's outline
        const char* toolTip = nullptr;   // text boxes
        // What screen readers call a control without a caption of its own (a frame, a text
        // box, a list); a label given a name is a readout, heard as that name and its caption.
        const char* accessibleName = nullptr;
        // What readers add after the name: what the control is for, the keys it answers.
        const char* accessibleDescription = nullptr;
        // A label: the control it names for readers, which take a combo box's choice for its
        // name and find the box's own name in the label.
        const char* labelFor = nullptr;
    } options = {};
};
inline constexpr int kNoTab = -1;

// Makes the controls of a design in a window, in the table's order (a later control lies over
// an earlier one of the same container), and chains them in the design's Tab order.
//
// Kinds: a push button has the caption and is pressed by Space or Enter when it has the focus,
// never by Enter elsewhere, as the windows have no default button; a check box has the caption;
// a text box shows its text centred, without padding; a frame in the Tab order takes the focus;
// any other kind is only named and placed. Every kind takes the design's accessible name and
// description (see forms/accessibility.h).
void BuildDesign(QWidget* window, std::span<const ControlDesign> design);

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
