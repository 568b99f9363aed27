#pragma once

#include "Velto/VeltoDevice.h"

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace PanelTest {
// A device record as a camera reports it in its search reply.
VeltoDevice device(const QString &mac, const QString &ip, const QString &mode = "static");
// Calls act on the first modal dialog shown from now on whose class inherits className,
// from inside that dialog's exec(); gives up after five seconds.
void whenModalShown(const char *className, std::function<void(QWidget &)> act);
// The classes of the dialogs shown while action runs, in order.
QStringList dialogsShownDuring(const std::function<void()> &action);
// Loads the program's own language files ("en", "cn") from the source tree.
void useLanguage(const char *name);
// True when every visible child of widget lies inside widget's own rectangle.
bool childrenInside(const QWidget &widget);
} // namespace PanelTest
