#pragma once

#include <QString>
#include <QStringList>

// The serial ports the program offers: the ports the system lists, then the virtual modules
// published as symlinks in VirtualSerialPortFolder().

// Device paths of the system's serial ports as Qt lists them (port names such as COM3 on Windows).
QStringList QtSerialPorts();

// ${XDG_RUNTIME_DIR}/skw-virtual-ports, or /tmp/skw-virtual-ports-<uid> without it.
QString VirtualSerialPortFolder();

// `systemPorts`, then the link paths of the live virtual modules in `virtualFolder`, in name
// order: symlinks whose target exists and whose "<link>.lock" a running module holds locked.
// A name already listed is dropped. A missing folder, or one that is not ours, adds nothing.
QStringList EnumSerialPorts(const QStringList& systemPorts, const QString& virtualFolder);

// EnumSerialPorts(QtSerialPorts(), VirtualSerialPortFolder()).
QStringList EnumSerialPorts();
