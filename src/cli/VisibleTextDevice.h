#pragma once

#include <QFile>
#include <QIODevice>
#include <QStringDecoder>

#include <cstdio>

namespace fetemark::cli {

// Stands between a text stream and standard output or error: the UTF-8 text written to it
// goes on with the characters a terminal would obey spelled out (VisibleText). Each write
// is passed on and flushed at once, so bytes written to the file directly afterwards
// (a vCard export) follow it.
class VisibleTextDevice : public QIODevice {
public:
    // Writes to `target`, open for writing, which outlives the device.
    explicit VisibleTextDevice(QIODevice& target);
    // Writes to an open C stream such as stdout.
    explicit VisibleTextDevice(FILE* file);

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    QFile m_file; // the target when made for a C stream
    QIODevice& m_target;
    // Keeps a character whose bytes are split between two writes until it is whole.
    QStringDecoder m_decoder;
};

} // namespace fetemark::cli
