#include "EnumSerialPorts.h"

#include "VirtualPorts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace {

void AppendUnique(QStringList& list, const QString& name) {
    if (!list.contains(name)) {
        list.append(name);
    }
}

}  // namespace

QStringList QtSerialPorts() {
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
    return QFile::decodeName(QByteArray::fromStdString(VirtualPorts::Folder()));
}

QStringList EnumSerialPorts(const QStringList& systemPorts, const QString& virtualFolder) {
    QStringList ports;
    for (const QString& name : systemPorts) {
        AppendUnique(ports, name);
    }
    if (!VirtualPorts::IsTrustedFolder(QFile::encodeName(virtualFolder).toStdString())) {
        return ports;
    }
    const QFileInfoList entries =
        QDir(virtualFolder)
            .entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (VirtualPorts::IsLive(QFile::encodeName(entry.absoluteFilePath()).toStdString())) {
            AppendUnique(ports, entry.absoluteFilePath());
        }
    }
    return ports;
}

QStringList EnumSerialPorts() {
    return EnumSerialPorts(QtSerialPorts(), VirtualSerialPortFolder());
}
