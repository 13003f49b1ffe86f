#include "workspace/edit_history.h"

#include <QUndoCommand>
#include <memory>
#include <set>
#include <utility>

namespace lanxi {

std::vector<StdPicture> WorkspaceState::pictures() const {
    std::vector<StdPicture> out = result.drawing.pictures();
    const std::vector<StdPicture> left = working.drawing.pictures();
    out.insert(out.end(), left.begin(), left.end());
    return out;
}

WorkspaceState WorkspaceState::withPictures(
    const std::function<StdPicture(const StdPicture&)>& swap) const {
    WorkspaceState out = *this;
    out.result.drawing = result.drawing.withPictures(swap);
    out.working.drawing = working.drawing.withPictures(swap);
    return out;
}

bool operator==(const WorkspaceState& a, const WorkspaceState& b) {
    const auto sameRectangle = [](const WorkspaceState::Rectangle& r,
                                  const WorkspaceState::Rectangle& s) {
        return r.visible == s.visible &&
               (!r.visible ||
                (r.left == s.left && r.top == s.top && r.width == s.width && r.height == s.height));
    };
    return a.result == b.result && a.working == b.working && sameRectangle(a.crop, b.crop) &&
           a.baseWidth == b.baseWidth && a.baseHeight == b.baseHeight &&
           a.selectionMade == b.selectionMade && a.readoutWidth == b.readoutWidth &&
           a.readoutHeight == b.readoutHeight;
}

namespace {

// How a state is kept: a cut of a picture the state shows as a view into it, holding no pixels
// of its own. A cut of a picture the state no longer shows (the left frame has been restored
// from a changed file since) stays a copy, lest it keep that whole picture alive.
WorkspaceState kept(const WorkspaceState& state) {
    std::set<const void*> shown;
    for (const StdPicture& p : state.pictures()) {
        shown.insert(p.block().start);
    }
    return state.withPictures([&](const StdPicture& p) {
        const StdPicture view = p.asView();
        return shown.count(view.block().start) != 0 ? view : p;
    });
}

// How the window shows a kept state: small cuts are copies again, so that they do not hold a
// large picture alive once the window has moved on from it.
WorkspaceState shown(const WorkspaceState& state) {
    return state.withPictures([](const StdPicture& p) { return p.asPart(); });
}

}  // namespace

// One step: the states on either side of it, as kept.
class EditHistory::Step : public QUndoCommand {
  public:
    Step(const QString& name, WorkspaceState before, WorkspaceState after,
         const std::function<void(const WorkspaceState&)>& apply)
        : QUndoCommand(name), before_(std::move(before)), after_(std::move(after)), apply_(apply) {}

    Step* clone() const { return new Step(text(), before_, after_, apply_); }
    const WorkspaceState& before() const { return before_; }
    const WorkspaceState& after() const { return after_; }

    void undo() override { apply_(shown(before_)); }
    void redo() override {
        // Kept when the window has just made the step (the stack redoes a step it is given).
        if (made_) {
            made_ = false;
            return;
        }
        apply_(shown(after_));
    }

  private:
    WorkspaceState before_;
    WorkspaceState after_;
    std::function<void(const WorkspaceState&)> apply_;
    bool made_ = true;
};

EditHistory::EditHistory(std::function<void(const WorkspaceState&)> apply, QObject* parent)
    : QObject(parent), apply_(std::move(apply)) {
    stack_.setUndoLimit(kMaxSteps);
    connect(&stack_, &QUndoStack::indexChanged, this, &EditHistory::changed);
}

EditHistory::~EditHistory() = default;

void EditHistory::Record(const QString& name, const WorkspaceState& before,
                         const WorkspaceState& after) {
    if (before == after) {
        return;
    }
    stack_.push(new Step(name, kept(before), kept(after), apply_));
    bound(after);
    emit changed();
}

void EditHistory::Undo() {
    stack_.undo();
}

void EditHistory::Redo() {
    stack_.redo();
}

void EditHistory::Clear() {
    stack_.clear();
    emit changed();
}

namespace {

using Blocks = std::set<const void*>;

// Adds the bytes of the state's pixel blocks not yet seen.
std::int64_t addBlocks(const WorkspaceState& state, Blocks* seen) {
    std::int64_t bytes = 0;
    for (const StdPicture& p : state.pictures()) {
        const StdPicture::Block b = p.block();
        if (seen->insert(b.start).second) {
            bytes += b.bytes;
        }
    }
    return bytes;
}

}  // namespace

std::int64_t EditHistory::OwnBytes(const WorkspaceState& live) const {
    Blocks seen;
    addBlocks(live, &seen);
    std::int64_t bytes = 0;
    for (int i = 0; i < stack_.count(); ++i) {
        const auto* step = static_cast<const Step*>(stack_.command(i));
        bytes += addBlocks(step->before(), &seen) + addBlocks(step->after(), &seen);
    }
    return bytes;
}

void EditHistory::bound(const WorkspaceState& live) {
    // From the newest step back: each is charged the blocks no newer step and not the window
    // holds. The newest step is always kept.
    Blocks seen;
    addBlocks(live, &seen);
    std::int64_t bytes = 0;
    int keep = 0;
    for (int i = stack_.count() - 1; i >= 0; --i) {
        const auto* step = static_cast<const Step*>(stack_.command(i));
        bytes += addBlocks(step->after(), &seen) + addBlocks(step->before(), &seen);
        if (bytes > maxBytes_ && keep > 0) {
            break;
        }
        ++keep;
    }
    if (keep == stack_.count()) {
        return;
    }
    // The stack forgets its oldest steps only by their number, fixed while it is empty: it is
    // filled again with the newest steps, none of which is made again.
    std::vector<Step*> newest;
    for (int i = stack_.count() - keep; i < stack_.count(); ++i) {
        newest.push_back(static_cast<const Step*>(stack_.command(i))->clone());
    }
    stack_.clear();
    for (Step* step : newest) {
        stack_.push(step);
    }
}

}  // namespace lanxi
