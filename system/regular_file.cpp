#include "system/regular_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "base/errors.h"
#include "system/system_error.h"

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace lanxi {
namespace {

// Reading goes in pieces of this size, so that a stop request is seen between them.
constexpr std::int64_t kReadPiece = 8 * 1024 * 1024;

[[noreturn]] void refuseSpecial() {
    throw Error(ErrorCode::InvalidPicture,
                QStringLiteral("这不是普通文件（而是设备、管道或套接字），不能当作图片读取"));
}

[[noreturn]] void refuseOpen(const QString& path, int code) {
#ifdef Q_OS_WIN
    // No Windows file system holds a name longer than 255 characters, and the system reports
    // such a name as missing or badly formed, which would send the user looking for a file
    // that cannot exist; say what is wrong with it instead, as Linux does.
    if (QFileInfo(path).fileName().size() > 255) {
        throw Error(ErrorCode::DeviceIO, SystemErrorText(ERROR_FILENAME_EXCED_RANGE));
    }
#endif
    if (IsNotFoundError(code)) {
        throw Error(ErrorCode::FileNotFound, NotFoundText(path));
    }
#ifndef Q_OS_WIN
    // A socket (or a device without its driver) cannot even be opened; the system's words then
    // speak of a missing device, where the user needs to hear what the name leads to.
    if (struct stat st{}; ::stat(QFile::encodeName(path).constData(), &st) == 0 &&
                          !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        refuseSpecial();
    }
#endif
    const QString text = SystemErrorText(code);
#ifdef Q_OS_WIN
    const bool denied = code == ERROR_ACCESS_DENIED;
#else
    const bool denied = code == EACCES || code == EPERM;
#endif
    if (denied) {
        throw Error(ErrorCode::PermissionDenied, QStringLiteral("没有读取该文件的权限"));
    }
    throw Error(ErrorCode::DeviceIO, text);
}

[[noreturn]] void refuseFolder() {
    throw Error(ErrorCode::PermissionDenied, QStringLiteral("这是一个文件夹，不是图片文件"));
}

}  // namespace

#ifdef Q_OS_WIN

namespace {

HANDLE handleOf(std::intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}

// The name as the system's wide-character calls take it; a long absolute path gets the prefix
// that lifts the old 260-character limit.
std::wstring systemName(const QString& path) {
    QString native = QDir::toNativeSeparators(QDir::cleanPath(path));
    if (native.size() >= MAX_PATH && QDir::isAbsolutePath(path) &&
        !native.startsWith(QLatin1String("\\\\"))) {
        native.prepend(QLatin1String("\\\\?\\"));
    }
    return native.toStdWString();
}

}  // namespace

RegularFile::~RegularFile() {
    if (handle_ != -1) {
        ::CloseHandle(handleOf(handle_));
    }
}

void RegularFile::open(const QString& path) {
    // Backup semantics let a folder open too, so that it is told apart from a file we may not
    // read.
    const HANDLE h = ::CreateFileW(systemName(path).c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        refuseOpen(path, LastSystemError());
    }
    handle_ = reinterpret_cast<std::intptr_t>(h);
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(h) != FILE_TYPE_DISK) {
        refuseSpecial();
    }
    if (!::GetFileInformationByHandle(h, &info)) {
        refuseOpen(path, LastSystemError());
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        refuseFolder();
    }
    size_ = std::int64_t(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
}

std::int64_t RegularFile::readSome(char* data, std::int64_t count) {
    DWORD got = 0;
    if (!::ReadFile(handleOf(handle_), data, DWORD(std::min<std::int64_t>(count, 1 << 30)), &got,
                    nullptr)) {
        return -1;
    }
    return got;
}

bool RegularFile::seek(std::int64_t position) {
    LARGE_INTEGER to;
    to.QuadPart = position;
    return ::SetFilePointerEx(handleOf(handle_), to, nullptr, FILE_BEGIN) != 0;
}

#else

RegularFile::~RegularFile() {
    if (handle_ != -1) {
        ::close(int(handle_));
    }
}

void RegularFile::open(const QString& path) {
    // Without blocking: opening a pipe for reading would otherwise wait for a writer for ever.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        refuseOpen(path, LastSystemError());
    }
    handle_ = fd;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        refuseOpen(path, LastSystemError());
    }
    if (S_ISDIR(st.st_mode)) {
        refuseFolder();
    }
    if (!S_ISREG(st.st_mode)) {
        refuseSpecial();
    }
    // A plain file reads the same either way; blocking reads keep the loop below simple.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    size_ = std::int64_t(st.st_size);
}

std::int64_t RegularFile::readSome(char* data, std::int64_t count) {
    for (;;) {
        const ssize_t got =
            ::read(int(handle_), data, std::size_t(std::min<std::int64_t>(count, 1 << 30)));
        if (got >= 0 || errno != EINTR) {
            return got;
        }
    }
}

bool RegularFile::seek(std::int64_t position) {
    return ::lseek(int(handle_), off_t(position), SEEK_SET) == off_t(position);
}

#endif

std::int64_t RegularFile::read(char* data, std::int64_t count) {
    std::int64_t total = 0;
    while (total < count) {
        const std::int64_t got = readSome(data + total, count - total);
        if (got < 0) {
            throw Error(
                ErrorCode::DeviceIO,
                QStringLiteral("读取文件时出错：%1").arg(SystemErrorText(LastSystemError())));
        }
        if (got == 0) {
            break;
        }
        total += got;
    }
    return total;
}

QString TooLargeToRead(std::int64_t size, std::int64_t limit) {
    return size > limit ? QStringLiteral("文件过大（%1 MB），不是可以打开的图片").arg(size >> 20)
                        : QString();
}

QByteArray ReadRegularFile(const QString& path, std::int64_t limit, const Stop* stop) {
    if (path.isEmpty()) {
        throw Error(ErrorCode::FileNotFound, QStringLiteral("没有给出文件名"));
    }
    RegularFile file;
    file.open(path);
    const std::int64_t size = file.size();
    if (const QString tooLarge = TooLargeToRead(size, limit); !tooLarge.isEmpty()) {
        throw Error(ErrorCode::InvalidPicture, tooLarge);
    }
    QByteArray bytes;
    bytes.resize(qsizetype(size));
    std::int64_t done = 0;
    while (done < size) {
        if (Stop::Requested(stop)) {
            throw Error(ErrorCode::UserInterrupt, QStringLiteral("已停止"));
        }
        const std::int64_t got = file.read(bytes.data() + done, std::min(kReadPiece, size - done));
        if (got == 0) {
            break;  // the file has shrunk since it was opened
        }
        done += got;
    }
    bytes.truncate(qsizetype(done));
    return bytes;
}

}  // namespace lanxi
