#include "SimEvents.h"

#include <QJsonDocument>

#include <cstdio>

void SimEvents::print(const char *event, QJsonObject fields)
{
    fields.insert(QStringLiteral("event"), QString::fromLatin1(event));
    const QByteArray line = QJsonDocument(fields).toJson(QJsonDocument::Compact) + '\n';
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    std::fflush(stdout);
}
