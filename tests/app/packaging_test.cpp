// The file manager entries that the Windows installer and the Linux package put down, read from
// their sources: the same right-click entries everywhere, each starting the program as its
// caption says, on exactly the picture types the program reads.
#include "tests/support/printers.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QSet>

#include "app/one_program.h"
#include "codec/formats.h"

namespace lanxi {
namespace {

using Window = StartRequest::Window;

QString source(const char* path) {
    QFile file(QStringLiteral(LANXI_SOURCE_DIR "/") + QString::fromUtf8(path));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
    return QString::fromUtf8(file.readAll());
}

// A desktop entry file as groups of keys; "#" lines are comments.
using Groups = QMap<QString, QMap<QString, QString>>;
Groups desktopEntry(const QString& text) {
    Groups groups;
    QString group;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            group = line.mid(1, line.size() - 2);
        } else if (!line.startsWith(QLatin1Char('#')) && line.contains(QLatin1Char('='))) {
            groups[group][line.section(QLatin1Char('='), 0, 0)] = line.section(QLatin1Char('='), 1);
        }
    }
    return groups;
}

QStringList listOf(const QString& value) {
    return value.split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

struct Entry {
    QString caption;
    QString arguments;  // what the program is started with, before the files
};

// The actions of a desktop entry file, in their order; each starts the program with its files.
std::vector<Entry> desktopActions(const Groups& groups) {
    std::vector<Entry> entries;
    for (const QString& action :
         listOf(groups.value(QStringLiteral("Desktop Entry")).value(QStringLiteral("Actions")))) {
        const auto keys = groups.value(QStringLiteral("Desktop Action ") + action);
        QString exec = keys.value(QStringLiteral("Exec"));
        EXPECT_TRUE(exec.startsWith(QStringLiteral("lanxi-pictool ")) &&
                    exec.endsWith(QStringLiteral(" %F")))
            << exec;
        entries.push_back({keys.value(QStringLiteral("Name[zh_CN]")), exec.mid(14).chopped(3)});
    }
    return entries;
}

TEST(Packaging, EveryFileManagerOffersTheSameEntriesOnThePicturesTheProgramReads) {
    const QString installer = source("tools/windows/installer.nsi");
    const Groups menu = desktopEntry(source("packaging/lanxi-pictool.desktop"));
    const Groups service = desktopEntry(source("packaging/lanxi-pictool-servicemenu.desktop"));

    // The entries: Windows' submenu, the desktop entry's actions, KDE's service menu.
    std::vector<Entry> windows;
    const QRegularExpression entry(
        QStringLiteral(R"re(^\s*!insertmacro RightClickEntry "[^"]+" "([^"]+)" "([^"]+)"$)re"),
        QRegularExpression::MultilineOption);
    for (auto it = entry.globalMatch(installer); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        windows.push_back({m.captured(1), m.captured(2)});
    }
    struct Wanted {
        const char* caption;
        Window window;
        SitePreset preset;
    };
    const Wanted wanted[] = {
        {"压缩为文章插图", Window::Batch, SitePreset::Article},
        {"压缩为头像（310）", Window::Batch, SitePreset::Avatar310},
        {"压缩为头像（210）", Window::Batch, SitePreset::Avatar210},
        {"压缩为身份证图片", Window::Batch, SitePreset::IdCard},
        {"压缩（质量80）", Window::Batch, SitePreset::Unlimited},
        {"在工作区打开", Window::Workspace, SitePreset::Unlimited},
    };
    for (const auto& [where, entries] :
         {std::pair{"installer", windows}, std::pair{"desktop entry", desktopActions(menu)},
          std::pair{"service menu", desktopActions(service)}}) {
        ASSERT_EQ(entries.size(), std::size(wanted)) << where;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(entries[i].caption, QString::fromUtf8(wanted[i].caption)) << where;
            const StartRequest r = ParseStart(entries[i].arguments.split(QLatin1Char(' ')) +
                                              QStringList{QStringLiteral("x.jpg")});
            EXPECT_TRUE(r.error.isEmpty() && r.window == wanted[i].window &&
                        r.preset == wanted[i].preset && r.paths.size() == 1)
                << where << ": " << entries[i].arguments;
        }
    }

    // The types: the program's table of formats, the installer's file endings, the MIME types
    // of the desktop entry, and those of the service menu with folders. A type may also come
    // under another name of one of the program's (image/x-bmp).
    QSet<QString> suffixes;
    QSet<QString> programTypes;
    for (const FormatEntry& format : PictureFormats()) {
        suffixes.unite(QSet<QString>(format.suffixes.begin(), format.suffixes.end()));
        programTypes.unite(QSet<QString>(format.mimeTypes.begin(), format.mimeTypes.end()));
    }
    const QRegularExpression types(QStringLiteral(R"re(^!define PICTURE_TYPES "([^"]*)"$)re"),
                                   QRegularExpression::MultilineOption);
    QSet<QString> installed;
    for (const QString& type : types.match(installer).captured(1).split(QLatin1Char(' '))) {
        installed.insert(type.mid(1));
    }
    EXPECT_EQ(installed, suffixes);
    const QStringList mimeTypes =
        listOf(menu.value(QStringLiteral("Desktop Entry")).value(QStringLiteral("MimeType")));
    EXPECT_EQ(
        listOf(service.value(QStringLiteral("Desktop Entry")).value(QStringLiteral("MimeType"))),
        mimeTypes + QStringList{QStringLiteral("inode/directory")});
    for (const QString& type : programTypes) {
        EXPECT_TRUE(mimeTypes.contains(type)) << type;
    }
    const QMimeDatabase db;
    for (const QString& type : mimeTypes) {
        EXPECT_TRUE(programTypes.contains(type) ||
                    programTypes.contains(db.mimeTypeForName(type).name()))
            << type;
    }
}

}  // namespace
}  // namespace lanxi
