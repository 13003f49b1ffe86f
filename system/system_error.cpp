#include "system/system_error.h"

#include <cerrno>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace lanxi {

#ifdef Q_OS_WIN

int LastSystemError() {
    return int(::GetLastError());
}

bool IsNotFoundError(int code) {
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ||
           code == ERROR_INVALID_DRIVE || code == ERROR_BAD_NETPATH;
}

QString SystemErrorText(int code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
            return QStringLiteral("文件不存在");
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
            return QStringLiteral("文件所在的文件夹不存在");
        case ERROR_ACCESS_DENIED:
            return QStringLiteral("没有访问该文件的权限");
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return QStringLiteral("文件正被其他程序使用");
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_DIRECTORY:
            return QStringLiteral("文件名或路径的写法无效");
        case ERROR_FILENAME_EXCED_RANGE:
            return QStringLiteral("路径或文件名太长，超出系统允许的长度");
        case ERROR_CANT_RESOLVE_FILENAME:
            return QStringLiteral("链接形成了循环，找不到真正的文件");
        case ERROR_NOT_READY:
            return QStringLiteral("驱动器没有准备好（可能没有放入磁盘）");
        case ERROR_WRITE_PROTECT:
            return QStringLiteral("磁盘有写保护");
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return QStringLiteral("磁盘空间不足");
        case ERROR_CRC:
        case ERROR_READ_FAULT:
        case ERROR_WRITE_FAULT:
        case ERROR_GEN_FAILURE:
        case ERROR_DEV_NOT_EXIST:
            return QStringLiteral("磁盘读写出错");
        case ERROR_TOO_MANY_OPEN_FILES:
            return QStringLiteral("同时打开的文件太多");
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return QStringLiteral("内存不足");
        default:
            return QStringLiteral("系统错误（代码 %1）").arg(code);
    }
}

#else

int LastSystemError() {
    return errno;
}

bool IsNotFoundError(int code) {
    return code == ENOENT;
}

QString SystemErrorText(int code) {
    switch (code) {
        case ENOENT:
            return QStringLiteral("文件不存在");
        case ENOTDIR:
            return QStringLiteral("路径中有一段不是文件夹");
        case EACCES:
        case EPERM:
            return QStringLiteral("没有访问该文件的权限");
        case ENAMETOOLONG:
            return QStringLiteral("路径或文件名太长，超出系统允许的长度");
        case ELOOP:
            return QStringLiteral("链接形成了循环，找不到真正的文件");
        case EISDIR:
            return QStringLiteral("这是一个文件夹");
        case EROFS:
            return QStringLiteral("磁盘是只读的");
        case ENOSPC:
            return QStringLiteral("磁盘空间不足");
#ifdef EDQUOT
        case EDQUOT:
            return QStringLiteral("磁盘配额已用完");
#endif
        case EIO:
            return QStringLiteral("磁盘读写出错");
        case ENXIO:
        case ENODEV:
            return QStringLiteral("设备不存在或没有准备好");
        case EBUSY:
        case ETXTBSY:
            return QStringLiteral("文件正被其他程序使用");
        case EMFILE:
        case ENFILE:
            return QStringLiteral("同时打开的文件太多");
        case ENOMEM:
            return QStringLiteral("内存不足");
        case EFBIG:
        case EOVERFLOW:
            return QStringLiteral("文件太大");
        case EINVAL:
            return QStringLiteral("文件名或路径的写法无效");
        default:
            return QStringLiteral("系统错误（代码 %1）").arg(code);
    }
}

#endif

QString NotFoundText(const QString& path) {
    if (path.contains(QChar::ReplacementCharacter)) {
        return QStringLiteral("文件名含有系统无法识别的字符，无法按这个名字打开");
    }
    return QStringLiteral("文件不存在");
}

}  // namespace lanxi
