#pragma once

#include <QString>
#include <QStringList>

// The serial ports the program offers: the ports the system lists, then the virtual modules
// published as symlinks in VirtualSerialPortFolder().

// Device paths of the system's serial ports (port names such as COM3 on Windows).
QStringList SystemSerialPorts();

// ${XDG_RUNTIME_DIR:-/tmp}/skw-virtual-ports
QString VirtualSerialPortFolder();

// `systemPorts`, then the link paths of the symlinks in `virtualFolder` whose target exists, in
// name order; a name already listed is dropped. A missing folder adds nothing.
QStringList EnumSerialPorts(const QStringList& systemPorts, const QString& virtualFolder);

// EnumSerialPorts(SystemSerialPorts(), VirtualSerialPortFolder()).
QStringList EnumSerialPorts();
