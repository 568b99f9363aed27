#pragma once

#include "Velto/VeltoDevice.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <ostream>

class QWidget;

namespace UiTest {
// A device record as a search reply gives it.
VeltoDevice device(const QString &mac, const QString &ip);
// n devices with MACs 02:56:4C:00:00:01... and IPs 10.77.0.11...
QVector<VeltoDevice> devices(int n);
QStringList macsOf(const QVector<VeltoDevice> &list);
// Loads the program's own language file (en or cn) from the source tree; no observer is
// told.
void installLanguage(const QString &name);
// Calls act with the modal dialog that the caller's next exec() shows, once it is visible.
void whenModalShown(std::function<void(QWidget &)> act);
} // namespace UiTest

// Failures show texts as text.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}
