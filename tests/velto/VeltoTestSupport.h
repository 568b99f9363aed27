#pragma once

#include "Velto/VeltoDevice.h"

#include <QByteArray>
#include <QJsonObject>
#include <QNetworkAddressEntry>
#include <QNetworkInterface>
#include <QString>
#include <QStringList>

class VeltoSDK;

namespace VeltoTest {
// A device record as a search would give it.
VeltoDevice device(const QString &srcId, const QString &mac = QString());
// The datagram a device sends for reply (compact JSON after the 8-byte header).
QByteArray replyDatagram(const QJsonObject &reply);
// Waits up to milliseconds for a request on the SDK's send queue and returns its datagram
// as the send thread frames it; empty when none came.
QByteArray nextRequest(VeltoSDK *sdk, int milliseconds = 2000);
// The datagram of a JSON text, header included.
QByteArray framed(const char *json);
// UDP "RcvbufErrors" of this network namespace (datagrams the kernel dropped for a full
// receive buffer); -1 when /proc cannot be read.
long long receiveBufferErrors();
// The veth end of this program's namespace under scripts/netns-run.sh (NETNS_IF_A).
QString namespaceInterface();
// That interface and its IPv4 address, as the program would choose them; false outside
// scripts/netns-run.sh.
bool chooseNamespaceInterface(QNetworkInterface &iface, QNetworkAddressEntry &entry);
// Runs ip(8) with arguments; its exit code.
int ip(const QStringList &arguments);
} // namespace VeltoTest
