#include "VisibleTextDevice.h"

#include "core/text/VisibleText.h"

namespace fetemark::cli {

VisibleTextDevice::VisibleTextDevice(QIODevice& target)
    : m_target(target),
      // A byte-order mark at the start is text written by the command, not a marker.
      m_decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom)
{
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

VisibleTextDevice::VisibleTextDevice(FILE* file) : VisibleTextDevice(m_file)
{
    m_file.open(file, QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 VisibleTextDevice::readData(char*, qint64)
{
    return -1;
}

qint64 VisibleTextDevice::writeData(const char* data, qint64 size)
{
    const QString text = m_decoder.decode(QByteArrayView(data, size));
    const QByteArray bytes = VisibleText::escaped(text).toUtf8();
    if (m_target.write(bytes) != bytes.size())
        return -1;
    // A C stream keeps what it is given in its own buffer.
    if (auto* file = qobject_cast<QFileDevice*>(&m_target); file && !file->flush())
        return -1;
    return size;
}

} // namespace fetemark::cli
