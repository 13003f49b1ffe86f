#pragma once

#include <QAccessible>
#include <QHash>
#include <QStringList>
#include <QWidget>
#include <vector>

// A window's accessibility tree as a screen reader reads it, in the test's own process.
namespace lanxi::test {

// The controls of a window's tree a reader reaches but cannot name: every shown control that
// takes the focus and every picture (a frame, an icon) without a name, by the object names from
// the window down ("Form1/Picture4/Picture4.inside/Picture2").
QStringList UnnamedControls(QWidget* window);

// Hears what the windows tell readers (SetReaderListener) while it lives.
class ReaderEvents {
  public:
    ReaderEvents();
    ~ReaderEvents();

    // What the framework's shown controls in the window (frames, shapes, labels) show that
    // changed since the last call without an event telling it ("Label1(2) 0 → 300"), once the
    // events due at the end of the current event have gone out. The first call only looks.
    QStringList SilentChanges(QWidget* window);
    // The events of one kind told of an object since the last look.
    int Count(const QObject* object, QAccessible::Event type) const;

  private:
    QHash<const QObject*, QStringList> shown_;
    std::vector<std::pair<const QObject*, QAccessible::Event>> events_;
};

}  // namespace lanxi::test
