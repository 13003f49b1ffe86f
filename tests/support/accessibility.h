#pragma once

#include <QAccessible>
#include <QHash>
#include <QStringList>
#include <QWidget>
#include <vector>

// A window's accessibility tree as a screen reader reads it, walked in the test's own process.
namespace lanxi::test {

// The controls of a window's tree a reader reaches but cannot name: every shown control that
// takes the focus, and every picture frame or other picture (an icon), without an accessible
// name, given by the object names from the window down ("Form1/Picture4/Picture2"). Also any
// node whose children do not name it as their parent, which a reader would lose its way in.
QStringList UnnamedControls(QWidget* window);

// A reader listening to what the windows tell (see SetReaderListener) while this lives.
class ReaderEvents {
  public:
    ReaderEvents();
    ~ReaderEvents();
    ReaderEvents(const ReaderEvents&) = delete;
    ReaderEvents& operator=(const ReaderEvents&) = delete;

    // Remembers what each of the framework's controls in the window's tree shows (a frame's,
    // shape's or label's name, value and description).
    void Look(QWidget* window);
    // What changed since the last look without an event telling it ("Label1(2) 值：0 → 300"),
    // once the events due at the end of the current event have gone out; then looks again.
    // (Qt's own controls tell their changes themselves, past the listener.)
    QStringList SilentChanges(QWidget* window);
    // The events of one kind caught for an object since the last look (the object may have
    // gone since).
    int Count(const QObject* object, QAccessible::Event type) const;

  private:
    struct Shown {
        QString name, value, description;
    };
    QHash<QObject*, Shown> shown_;
    std::vector<std::pair<const QObject*, QAccessible::Event>> events_;
};

}  // namespace lanxi::test
