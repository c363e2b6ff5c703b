#include "EnumSerialPorts.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <optional>

TEST(EnumSerialPorts, listsSystemPortsThenLiveVirtualLinks_eachOnce) {
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    QDir folder(scratch.path());
    ASSERT_TRUE(folder.mkdir(QStringLiteral("ports")));
    QFile target(folder.filePath(QStringLiteral("pty")));
    ASSERT_TRUE(target.open(QIODevice::WriteOnly));
    ASSERT_TRUE(folder.cd(QStringLiteral("ports")));
    const QString live = folder.filePath(QStringLiteral("b-live"));
    const QString other = folder.filePath(QStringLiteral("a-live"));
    ASSERT_TRUE(QFile::link(target.fileName(), live));
    ASSERT_TRUE(QFile::link(target.fileName(), other));
    ASSERT_TRUE(
        QFile::link(scratch.filePath(QStringLiteral("gone")), folder.filePath("c-dangling")));
    QFile plain(folder.filePath(QStringLiteral("d-plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));

    const QStringList system = {"/dev/ttyUSB1", "/dev/ttyS0", "/dev/ttyUSB1", live};
    EXPECT_EQ(EnumSerialPorts(system, folder.path()),
              QStringList({"/dev/ttyUSB1", "/dev/ttyS0", live, other}));
    EXPECT_EQ(EnumSerialPorts(system, scratch.filePath(QStringLiteral("missing"))),
              QStringList({"/dev/ttyUSB1", "/dev/ttyS0", live}));
}

TEST(EnumSerialPorts, virtualFolder_followsXdgRuntimeDir) {
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    struct Case {
        std::optional<QByteArray> runtime;
        QString folder;
    };
    const Case cases[] = {
        {QByteArray("/run/user/1000"), "/run/user/1000/skw-virtual-ports"},
        {QByteArray(""), "/tmp/skw-virtual-ports"},
        {std::nullopt, "/tmp/skw-virtual-ports"},
    };
    for (const Case& c : cases) {
        if (c.runtime) {
            qputenv("XDG_RUNTIME_DIR", *c.runtime);
        } else {
            qunsetenv("XDG_RUNTIME_DIR");
        }
        EXPECT_EQ(VirtualSerialPortFolder(), c.folder);
    }
    qputenv("XDG_RUNTIME_DIR", saved);
}
