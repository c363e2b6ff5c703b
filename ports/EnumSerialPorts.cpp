#include "EnumSerialPorts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#endif

namespace {

void AppendUnique(QStringList& list, const QString& name) {
    if (!list.contains(name)) {
        list.append(name);
    }
}

#ifndef Q_OS_WIN
// A virtual module holds an flock on "<link>.lock" while it runs. A link without a held lock
// was left by a module that was killed; its pseudo-terminal number may serve another program
// by now, so the target existing proves nothing.
bool IsHeldByAModule(const QString& linkPath) {
    const QByteArray lockPath = QFile::encodeName(linkPath + QStringLiteral(".lock"));
    const int fd = ::open(lockPath.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);  // also lets go of the shared lock if it was free
    return held;
}

// Only a folder of our own: another user could plant links to terminals of ours in theirs.
bool IsOwnFolder(const QString& folder) {
    struct stat info {};
    return ::lstat(QFile::encodeName(folder).constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid();
}
#else
bool IsHeldByAModule(const QString&) {
    return false;
}
bool IsOwnFolder(const QString&) {
    return false;
}
#endif

}  // namespace

QStringList SystemSerialPorts() {
    QStringList ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        ports.append(info.portName());
#else
        ports.append(info.systemLocation());
#endif
    }
    return ports;
}

QString VirtualSerialPortFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        return QDir(runtime).filePath(QStringLiteral("skw-virtual-ports"));
    }
#ifndef Q_OS_WIN
    return QStringLiteral("/tmp/skw-virtual-ports-%1").arg(::geteuid());
#else
    return QStringLiteral("/tmp/skw-virtual-ports");
#endif
}

QStringList EnumSerialPorts(const QStringList& systemPorts, const QString& virtualFolder) {
    QStringList ports;
    for (const QString& name : systemPorts) {
        AppendUnique(ports, name);
    }
    if (!IsOwnFolder(virtualFolder)) {
        return ports;
    }
    const QFileInfoList entries =
        QDir(virtualFolder)
            .entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (entry.isSymLink() && entry.exists() && IsHeldByAModule(entry.absoluteFilePath())) {
            AppendUnique(ports, entry.absoluteFilePath());
        }
    }
    return ports;
}

QStringList EnumSerialPorts() {
    return EnumSerialPorts(SystemSerialPorts(), VirtualSerialPortFolder());
}
