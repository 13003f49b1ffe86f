#pragma once

#include <QEventLoopLocker>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <memory>
#include <optional>
#include <vector>

#include "system/instance_lock.h"
#include "upload/upload_copy.h"

class QLocalServer;
class QLocalSocket;

namespace lanxi {

// What one start of the program asks for, read from its command line (Qt's own options taken
// out):
//   lanxi-pictool                                    the start screen
//   lanxi-pictool FILE...                            the workspace alone, the first FILE opened
//   lanxi-pictool --workspace [FILE|FOLDER...]       the same; a FOLDER opens the open dialog there
//   lanxi-pictool --batch [--preset KEY] [FILE|FOLDER...]
//                                                    the batch window compressing them at once
// The file manager's right-click entries start the last two.
struct StartRequest {
    enum class Window { StartScreen, Workspace, Batch };
    Window window = Window::StartScreen;
    SitePreset preset = SitePreset::Unlimited;  // the batch's
    QStringList paths;                          // whole, with the platform's separators
    QString error;                              // why the arguments cannot be read
    friend bool operator==(const StartRequest&, const StartRequest&) = default;
};
StartRequest ParseStart(const QStringList& arguments);
// What the program tells a start whose arguments cannot be read, after the reason.
QString StartUsage();

// One program for the user's files. A start that names files hands them to the user's program
// that is already running and ends; the first start becomes that program. Requests that arrive
// within a moment of each other (a file manager starts the program once for each selected file)
// are gathered into one, for each window and preset. A program that died leaves nothing in the
// way, and one that does not answer is given up on after a short wait: the start then goes on
// alone, as a program of its own.
class OneProgram : public QObject {
    Q_OBJECT
  public:
    struct Timing {
        int moment = 700;     // ms of quiet that end a gathering
        int longest = 10000;  // ms a gathering lasts at most
        int answer = 5000;    // ms a start waits for the running program to take its request
        int election = 3000;  // ms a start waits for another start that is about to serve
    };
    // `name` as UserInstanceName gives it; an empty name serves no one and finds no one.
    explicit OneProgram(QString name, Timing timing, QObject* parent = nullptr);
    explicit OneProgram(QString name, QObject* parent = nullptr)
        : OneProgram(std::move(name), Timing(), parent) {}
    ~OneProgram() override;

    enum class Outcome { HandedOver, Serving, Alone };
    // For a start asking for `request`: hands it to the program that serves the user
    // (HandedOver: this start is done), or becomes that program (Serving), or goes on alone. A
    // start of the start screen hands nothing over: it serves when no other program does.
    Outcome Join(const StartRequest& request);
    bool IsServing() const;

    // A request of this program's own, gathered with those handed over.
    void Gather(const StartRequest& request);

  signals:
    // The requests that arrived within a moment of each other, one for each window and preset,
    // in the order of their first arrival.
    void gathered(const lanxi::StartRequest& request);

  private:
    enum class Delivery { Taken, Refused, NoProgram };
    Delivery deliver(const StartRequest& request) const;
    bool serve();
    void accept();
    void read(QLocalSocket* socket);
    void release();

    QString name_;
    Timing timing_;
    InstanceLock lock_;
    std::unique_ptr<QLocalServer> server_;
    std::vector<StartRequest> pending_;
    QTimer quiet_;
    QTimer longest_;
    // The program stays while requests are gathered, even with no window open.
    std::optional<QEventLoopLocker> keepRunning_;
};

}  // namespace lanxi
