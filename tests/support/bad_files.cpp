#include "tests/support/bad_files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QtEndian>

#include "codec/jpeg_header.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#endif

namespace lanxi::test {

std::vector<BadFile> MakeBadFiles(const TempDir& dir) {
    const QByteArray jpeg = JpegBytes(SmoothImage(64, 48));
    WriteBmp(PatternImage(8, 8), dir.file(QStringLiteral("tmp.bmp")));
    QByteArray negative = ReadBytes(dir.file(QStringLiteral("tmp.bmp")));
    QFile::remove(dir.file(QStringLiteral("tmp.bmp")));
    qToLittleEndian<qint32>(-8, negative.data() + 18);

    std::vector<BadFile> files = {
        {QStringLiteral("空文件.jpg"), QStringLiteral("空"), QByteArray("")},
        {QStringLiteral("半截 照片.jpg"), QStringLiteral("不完整"), jpeg.left(jpeg.size() / 2)},
        {QStringLiteral("巨大.jpg"), QStringLiteral("65000 × 65000"),
         JpegClaimingSize(SmoothImage(8, 8), 65000, 65000)},
        {QStringLiteral("负宽.bmp"), QStringLiteral("宽或高"), negative},
        {QStringLiteral("文字 😀.jpg"), QStringLiteral("不是可识别"), QByteArray("这不是图片\n")},
        // Every scan passes over the whole picture: hundreds of them keep a decoder busy for
        // minutes, so they are refused before the first.
        {QStringLiteral("扫描过多.jpg"), QStringLiteral("扫描段"),
         RepeatedScans(MakeJpeg(SmoothImage(64, 48), {90, true}), kMaxJpegScans)},
        // Fewer scans, each over the whole picture and nearly free to store.
        {QStringLiteral("扫描遍数过多.jpg"), QStringLiteral("扫描段"),
         RepeatedScans(MakeJpeg(SmoothImage(64, 48), {90, false, true}), int(kMaxJpegPasses))},
        // A valid picture behind ten thousand comments, which no encoder writes.
        {QStringLiteral("注释过多.jpg"), QStringLiteral("数据块太多"),
         jpeg.left(2) + QByteArray::fromHex("fffe0002").repeated(10'000) + jpeg.mid(2)},
        {QStringLiteral("文件夹.jpg"), QStringLiteral("文件夹"), {}},
        {QStringLiteral("已删除.jpg"), QStringLiteral("文件不存在"), {}},
        {QString(300, QLatin1Char('n')) + QStringLiteral(".jpg"), QStringLiteral("太长"), {}},
    };
    EXPECT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("文件夹.jpg")));
#ifdef Q_OS_UNIX
    // A pipe never ends and, without a writer, never answers; a device never ends.
    files.push_back({QStringLiteral("管道.jpg"), QStringLiteral("不是普通文件"), {}});
    EXPECT_EQ(::mkfifo(QFile::encodeName(dir.file(files.back().name)).constData(), 0644), 0);
    files.push_back({QStringLiteral("设备.jpg"), QStringLiteral("不是普通文件"), {}});
    EXPECT_TRUE(QFile::link(QStringLiteral("/dev/zero"), dir.file(files.back().name)));
    // A socket cannot even be opened for reading: it is named for what it is all the same.
    files.push_back({QStringLiteral("套接字.jpg"), QStringLiteral("不是普通文件"), {}});
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(dir.file(files.back().name));
        EXPECT_LT(std::size_t(name.size()), sizeof address.sun_path);
        std::memcpy(address.sun_path, name.constData(),
                    std::min(std::size_t(name.size()), sizeof address.sun_path - 1));
        EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    files.push_back({QStringLiteral("循环.jpg"), QStringLiteral("循环"), {}});
    EXPECT_TRUE(QFile::link(dir.file(QStringLiteral("循环 2.jpg")), dir.file(files.back().name)));
    EXPECT_TRUE(QFile::link(dir.file(files.back().name), dir.file(QStringLiteral("循环 2.jpg"))));
    // A name that is not UTF-8 (written on a system with another encoding) is listed with
    // stand-in characters and cannot be opened by the name shown.
    const QByteArray alien = QFile::encodeName(dir.path()) + "/\xb2\xe2\xca\xd4.jpg";
    const int fd = ::open(alien.constData(), O_CREAT | O_WRONLY, 0644);
    EXPECT_GE(fd, 0);
    ::close(fd);
    files.push_back({QFile::decodeName(alien).section(QLatin1Char('/'), -1),
                     QStringLiteral("无法识别的字符"),
                     {}});
#endif
    for (const BadFile& f : files) {
        if (!f.special()) {
            WriteBytes(f.bytes, dir.file(f.name));
        }
    }
    return files;
}

}  // namespace lanxi::test
