#include "JsonReporter.h"

#include <QJsonDocument>

void JsonReporter::report(const QString& type, QJsonObject fields) {
    fields.insert(QStringLiteral("type"), type);
    const QByteArray line = QJsonDocument(fields).toJson(QJsonDocument::Compact);
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), out_);
    std::fputc('\n', out_);
    std::fflush(out_);
}
