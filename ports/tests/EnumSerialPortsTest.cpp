#include "EnumSerialPorts.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <optional>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// Holds "<link>.lock" locked, as a running virtual module does.
class HeldLock {
public:
    explicit HeldLock(const QString& link)
        : m_fd(::open(QFile::encodeName(link + ".lock").constData(), O_RDWR | O_CREAT, 0600)) {
        EXPECT_EQ(::flock(m_fd, LOCK_EX | LOCK_NB), 0);
    }
    ~HeldLock() { ::close(m_fd); }
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;

private:
    int m_fd;
};

}  // namespace

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
    // Left by a killed module: its target exists (the terminal number serves someone else
    // now), but nobody holds its lock.
    const QString orphan = folder.filePath(QStringLiteral("e-orphan"));
    ASSERT_TRUE(QFile::link(target.fileName(), orphan));
    QFile orphanLock(orphan + ".lock");
    ASSERT_TRUE(orphanLock.open(QIODevice::WriteOnly));
    const HeldLock liveLock(live);
    const HeldLock otherLock(other);
    const HeldLock danglingLock(folder.filePath("c-dangling"));

    const QStringList system = {"/dev/ttyUSB1", "/dev/ttyS0", "/dev/ttyUSB1", live};
    ASSERT_TRUE(QFile::setPermissions(folder.path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    EXPECT_EQ(EnumSerialPorts(system, folder.path()),
              QStringList({"/dev/ttyUSB1", "/dev/ttyS0", live, other}));
    // A folder others may write is not trusted, as the virtual module does not trust it.
    ASSERT_TRUE(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                         QFile::ExeOwner | QFile::WriteOther |
                                                         QFile::ReadOther | QFile::ExeOther));
    EXPECT_EQ(EnumSerialPorts(system, folder.path()),
              QStringList({"/dev/ttyUSB1", "/dev/ttyS0", live}));
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
        {QByteArray(""), QStringLiteral("/tmp/skw-virtual-ports-%1").arg(::geteuid())},
        {std::nullopt, QStringLiteral("/tmp/skw-virtual-ports-%1").arg(::geteuid())},
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
