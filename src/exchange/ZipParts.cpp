#include "ZipParts.h"

#include <QtEndian>
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>
#include <vector>

qint64 ZipParts::unpackedSize(const QByteArray &zip)
{
    constexpr qsizetype EndRecord = 22;
    const qsizetype end = zip.lastIndexOf(QByteArrayView("PK\x05\x06", 4));
    if (end < 0 || end < zip.size() - EndRecord - 0xFFFF || end + EndRecord > zip.size())
        return -1;
    const auto at = [&zip](quint64 offset, int bytes) -> quint64 {
        if (offset + quint64(bytes) > quint64(zip.size()))
            return ~quint64(0);
        return bytes == 2 ? qFromLittleEndian<quint16>(zip.constData() + offset)
                          : qFromLittleEndian<quint32>(zip.constData() + offset);
    };
    const quint64 entries = at(quint64(end) + 10, 2);
    quint64 entry = at(quint64(end) + 16, 4);
    qint64 total = 0;
    for (quint64 i = 0; i < entries; ++i) {
        if (at(entry, 4) != 0x02014b50)
            return -1;
        const quint64 size = at(entry + 24, 4);
        // Zip64 sizes stand elsewhere; no workbook of a register needs them.
        if (size == 0xFFFFFFFF)
            return -1;
        total += qint64(size);
        entry += 46 + at(entry + 28, 2) + at(entry + 30, 2) + at(entry + 32, 2);
    }
    return total;
}

ZipParts::ZipParts(QByteArray bytes, std::function<void(const QString &)> failed)
    : m_bytes(std::move(bytes)), m_failed(std::move(failed)),
      m_stream(std::make_unique<orcus::zip_archive_stream_blob>(reinterpret_cast<const uint8_t *>(m_bytes.constData()),
                                                                size_t(m_bytes.size()))),
      m_archive(std::make_unique<orcus::zip_archive>(m_stream.get()))
{
    try {
        m_archive->load();
    } catch (const std::exception &e) {
        m_failed(QStringLiteral("it is damaged (%1).").arg(QString::fromLocal8Bit(e.what())));
    }
}

ZipParts::~ZipParts() = default;

std::vector<unsigned char> ZipParts::unpack(const QString &name) const
{
    std::vector<unsigned char> unpacked;
    try {
        if (!m_archive->read_file_entry(name.toStdString(), unpacked))
            m_failed(QStringLiteral("it lacks its part %1.").arg(name));
    } catch (const std::exception &e) {
        m_failed(QStringLiteral("its part %1 is damaged (%2).").arg(name, QString::fromLocal8Bit(e.what())));
    }
    // liborcus ends what it unpacks with a NUL, for parsers that want one.
    if (!unpacked.empty() && unpacked.back() == 0)
        unpacked.pop_back();
    return unpacked;
}

bool ZipParts::has(const QString &name) const
{
    const std::string wanted = name.toStdString();
    for (size_t i = 0; i < m_archive->get_file_entry_count(); ++i) {
        if (m_archive->get_file_entry_name(i) == wanted)
            return true;
    }
    return false;
}

QByteArray ZipParts::part(const QString &name) const
{
    const std::vector<unsigned char> unpacked = unpack(name);
    return QByteArray(reinterpret_cast<const char *>(unpacked.data()), qsizetype(unpacked.size()));
}
