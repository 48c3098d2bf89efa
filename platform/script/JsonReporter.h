// The script mode's transcript: one compact JSON object per line on standard output, written
// and flushed as each event happens.
#pragma once

#include <QJsonObject>
#include <cstdio>

class JsonReporter {
public:
    explicit JsonReporter(std::FILE* out = stdout) : out_(out) {}

    // Writes one line: the fields and a "type" member naming the event.
    void report(const QString& type, QJsonObject fields = {});

private:
    std::FILE* out_;
};
