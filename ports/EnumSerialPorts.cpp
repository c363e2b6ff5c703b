#include "EnumSerialPorts.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace {

void AppendUnique(QStringList& list, const QString& name) {
    if (!list.contains(name)) {
        list.append(name);
    }
}

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
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty()) {
        runtime = QStringLiteral("/tmp");
    }
    return QDir(runtime).filePath(QStringLiteral("skw-virtual-ports"));
}

QStringList EnumSerialPorts(const QStringList& systemPorts, const QString& virtualFolder) {
    QStringList ports;
    for (const QString& name : systemPorts) {
        AppendUnique(ports, name);
    }
    // A module that exited without removing its link leaves it dangling; exists() follows it.
    const QFileInfoList entries =
        QDir(virtualFolder)
            .entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (entry.isSymLink() && entry.exists()) {
            AppendUnique(ports, entry.absoluteFilePath());
        }
    }
    return ports;
}

QStringList EnumSerialPorts() {
    return EnumSerialPorts(SystemSerialPorts(), VirtualSerialPortFolder());
}
