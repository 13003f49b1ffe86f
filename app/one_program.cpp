#include "app/one_program.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <algorithm>
#include <utility>

#include "base/log.h"
#include "compress/command_line.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace lanxi {
namespace {

// What a request is sent as: its length, then the request. The mark changes whenever the
// request's form does, so that a program of another version refuses it rather than misread it.
const QString kMark = QStringLiteral("lanxi-pictool hand-over 1");
// Far more than the longest list of paths a command line can hold.
constexpr quint32 kLongestRequest = 64u << 20;
constexpr char kTaken = '1';
constexpr char kRefused = '0';

QByteArray encode(const StartRequest& r) {
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << kMark << quint8(r.window) << Describe(r.preset).key << r.paths;
    QByteArray framed;
    QDataStream(&framed, QIODevice::WriteOnly) << quint32(body.size());
    return framed + body;
}

std::optional<StartRequest> decode(const QByteArray& body) {
    QDataStream in(body);
    in.setVersion(QDataStream::Qt_6_0);
    QString mark;
    quint8 window = 0;
    QString preset;
    StartRequest r;
    in >> mark >> window >> preset >> r.paths;
    if (in.status() != QDataStream::Ok || !in.atEnd() || mark != kMark ||
        (window != quint8(StartRequest::Window::Workspace) &&
         window != quint8(StartRequest::Window::Batch))) {
        return std::nullopt;
    }
    r.window = StartRequest::Window(window);
    if (!preset.isEmpty()) {
        const std::optional<SitePreset> known = PresetForKey(preset);
        if (!known) {
            return std::nullopt;
        }
        r.preset = *known;
    }
    return r;
}

}  // namespace

StartRequest ParseStart(const QStringList& arguments) {
    StartRequest r;
    if (arguments.isEmpty()) {
        return r;
    }
    qsizetype i = 0;
    // Names alone, as "Open with" passes them, are names whatever they look like.
    bool optionsEnded = true;
    r.window = StartRequest::Window::Workspace;
    if (arguments.first() == QLatin1String("--batch") ||
        arguments.first() == QLatin1String("--workspace")) {
        if (arguments.first() == QLatin1String("--batch")) {
            r.window = StartRequest::Window::Batch;
        }
        optionsEnded = false;
        i = 1;
    }
    for (; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (!optionsEnded && a.startsWith(QLatin1String("--"))) {
            if (a == QLatin1String("--")) {
                optionsEnded = true;
            } else if (const std::optional<PresetOption> option =
                           r.window == StartRequest::Window::Batch ? ReadPresetOption(arguments, i)
                                                                   : std::nullopt) {
                if (!option->error.isEmpty()) {
                    r.error = option->error;
                    return r;
                }
                r.preset = option->preset;
            } else {
                r.error = QStringLiteral("不认识的选项“%1”").arg(ReportName(a));
                return r;
            }
        } else if (a.isEmpty()) {
            r.error = QStringLiteral("文件名不能是空的");
            return r;
        } else {
            // Made whole here: the program that takes them over runs in another folder.
            r.paths << CommandRow(a).path();
        }
    }
    return r;
}

QString StartUsage() {
    QStringList keys;
    for (const PresetDescription& p : SitePresets()) {
        if (!p.key.isEmpty()) {
            keys << p.key;
        }
    }
    return QStringLiteral(
               "用法：lanxi-pictool [文件...]\n"
               "      lanxi-pictool --workspace [文件或文件夹...]\n"
               "      lanxi-pictool --batch [--preset %1] [文件或文件夹...]\n"
               "      lanxi-pictool compress --help\n")
        .arg(keys.join(QLatin1Char('|')));
}

OneProgram::OneProgram(QString name, Timing timing, QObject* parent)
    : QObject(parent), name_(std::move(name)), timing_(timing), lock_(name_) {
    quiet_.setSingleShot(true);
    longest_.setSingleShot(true);
    connect(&quiet_, &QTimer::timeout, this, &OneProgram::release);
    connect(&longest_, &QTimer::timeout, this, &OneProgram::release);
}

OneProgram::~OneProgram() = default;

bool OneProgram::IsServing() const {
    return server_ != nullptr;
}

OneProgram::Outcome OneProgram::Join(const StartRequest& request) {
    if (name_.isEmpty()) {
        return Outcome::Alone;
    }
    if (request.window == StartRequest::Window::StartScreen) {
        return serve() ? Outcome::Serving : Outcome::Alone;
    }
    const QDeadlineTimer election(timing_.election);
    for (;;) {
        switch (deliver(request)) {
            case Delivery::Taken:
                return Outcome::HandedOver;
            case Delivery::Refused:
                return Outcome::Alone;
            case Delivery::NoProgram:
                break;
        }
        if (serve()) {
            return Outcome::Serving;
        }
        // Another start holds the lock and is about to listen, or a program is ending.
        if (election.hasExpired()) {
            qCInfo(lcProgram) << "no program took the request in time; this start goes alone";
            return Outcome::Alone;
        }
        QThread::msleep(25);
    }
}

OneProgram::Delivery OneProgram::deliver(const StartRequest& request) const {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(timing_.answer)) {
        // No program (no socket, or one left by a program that died), or one too busy to
        // take the connection.
        return socket.error() == QLocalSocket::SocketTimeoutError ? Delivery::Refused
                                                                  : Delivery::NoProgram;
    }
#ifdef Q_OS_WIN
    // The program that takes the request may bring its window to the front, as this start
    // (begun by the user's click) may.
    ::AllowSetForegroundWindow(ASFW_ANY);
#endif
    const QDeadlineTimer deadline(timing_.answer);
    socket.write(encode(request));
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(int(deadline.remainingTime()))) {
            return Delivery::Refused;
        }
    }
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(int(deadline.remainingTime()))) {
            // A program that hangs, or one that ended meanwhile.
            qCInfo(lcProgram) << "the running program did not answer:" << socket.errorString();
            return Delivery::Refused;
        }
    }
    char answer = kRefused;
    socket.getChar(&answer);
    return answer == kTaken ? Delivery::Taken : Delivery::Refused;
}

bool OneProgram::serve() {
    if (server_) {
        return true;
    }
    if (!lock_.TryLock()) {
        return false;
    }
    // Holding the lock, no other program listens: a socket left here is a dead program's.
    QLocalServer::removeServer(name_);
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(name_)) {
        qCWarning(lcProgram) << "cannot take requests from later starts:" << server->errorString();
        lock_.Unlock();
        return false;
    }
    connect(server.get(), &QLocalServer::newConnection, this, &OneProgram::accept);
    server_ = std::move(server);
    return true;
}

void OneProgram::accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
        read(socket);
    }
}

void OneProgram::read(QLocalSocket* socket) {
    quint32 length = 0;
    if (socket->bytesAvailable() < qint64(sizeof length)) {
        return;
    }
    QDataStream(socket->peek(sizeof length)) >> length;
    if (length > kLongestRequest) {
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < qint64(sizeof length) + length) {
        return;
    }
    socket->skip(sizeof length);
    const std::optional<StartRequest> request = decode(socket->read(length));
    socket->putChar(request ? kTaken : kRefused);
    socket->disconnectFromServer();
    if (request) {
        Gather(*request);
    } else {
        qCWarning(lcProgram) << "a start sent a request this program cannot read";
    }
}

void OneProgram::Gather(const StartRequest& request) {
    auto same = std::find_if(pending_.begin(), pending_.end(), [&request](const StartRequest& p) {
        return p.window == request.window && p.preset == request.preset;
    });
    if (same == pending_.end()) {
        pending_.push_back(request);
    } else {
        same->paths += request.paths;
        same->paths.removeDuplicates();
    }
    if (!keepRunning_) {
        keepRunning_.emplace();
        longest_.start(timing_.longest);
    }
    quiet_.start(timing_.moment);
}

void OneProgram::release() {
    quiet_.stop();
    longest_.stop();
    const std::vector<StartRequest> requests = std::exchange(pending_, {});
    for (const StartRequest& r : requests) {
        emit gathered(r);
    }
    // Whoever took the requests has a window up by now, or holds the program itself.
    keepRunning_.reset();
}

}  // namespace lanxi
