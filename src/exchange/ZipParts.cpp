#include "ZipParts.h"

#include <QStringDecoder>
#include <QtEndian>
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>
#include <vector>
#include <zlib.h>

std::optional<QHash<QString, ZipParts::Entry>> ZipParts::contents(const QByteArray &zip)
{
    constexpr qsizetype EndRecord = 22;
    const qsizetype end = zip.lastIndexOf(QByteArrayView("PK\x05\x06", 4));
    if (end < 0 || end < zip.size() - EndRecord - 0xFFFF || end + EndRecord > zip.size())
        return std::nullopt;
    const auto at = [&zip](quint64 offset, int bytes) -> quint64 {
        if (offset + quint64(bytes) > quint64(zip.size()))
            return ~quint64(0);
        return bytes == 2 ? qFromLittleEndian<quint16>(zip.constData() + offset)
                          : qFromLittleEndian<quint32>(zip.constData() + offset);
    };
    const quint64 entries = at(quint64(end) + 10, 2);
    quint64 entry = at(quint64(end) + 16, 4);
    QHash<QString, Entry> found;
    for (quint64 i = 0; i < entries; ++i) {
        if (at(entry, 4) != 0x02014b50)
            return std::nullopt;
        const quint64 size = at(entry + 24, 4);
        const quint64 nameLength = at(entry + 28, 2);
        // Zip64 sizes stand elsewhere; no workbook of a register needs them.
        if (size == 0xFFFFFFFF || entry + 46 + nameLength > quint64(zip.size()))
            return std::nullopt;
        found.insert(QString::fromUtf8(zip.constData() + entry + 46, qsizetype(nameLength)),
                     Entry{quint32(at(entry + 16, 4)), size});
        entry += 46 + nameLength + at(entry + 30, 2) + at(entry + 32, 2);
    }
    return found;
}

qint64 ZipParts::unpackedSize(const QByteArray &zip)
{
    const auto parts = contents(zip);
    if (!parts)
        return -1;
    qint64 total = 0;
    for (const Entry &entry : *parts)
        total += qint64(entry.size);
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
    auto parts = contents(m_bytes);
    if (!parts)
        m_failed(QStringLiteral("its table of contents is damaged."));
    m_contents = std::move(*parts);
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
    const Entry listed = m_contents.value(name);
    if (unpacked.size() != listed.size)
        m_failed(QStringLiteral("its part %1 unpacks to %2 bytes where its table of contents says %3.")
                     .arg(name)
                     .arg(unpacked.size())
                     .arg(listed.size));
    uLong crc = crc32(0, Z_NULL, 0);
    for (size_t done = 0; done < unpacked.size();) {
        const uInt chunk = uInt(std::min<size_t>(unpacked.size() - done, 1u << 30));
        crc = crc32(crc, unpacked.data() + done, chunk);
        done += chunk;
    }
    if (crc != listed.crc)
        m_failed(QStringLiteral("its part %1 is damaged: its bytes do not match their checksum.").arg(name));
    return unpacked;
}

std::vector<unsigned char> ZipParts::unpackText(const QString &name) const
{
    std::vector<unsigned char> unpacked = unpack(name);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    // Decoded in pieces, so that a large part never stands twice in memory;
    // a piece ends before a character's continuation bytes, not inside it.
    constexpr size_t Piece = 1 << 20;
    for (size_t done = 0; done < unpacked.size() && !utf8.hasError();) {
        size_t end = std::min(done + Piece, unpacked.size());
        while (end < unpacked.size() && end > done + 1 && (unpacked[end] & 0xC0) == 0x80)
            --end;
        // Decoding is what finds a byte that is no UTF-8.
        const QString decoded = utf8.decode(
            QByteArrayView(reinterpret_cast<const char *>(unpacked.data()) + done, qsizetype(end - done)));
        done = end;
    }
    if (utf8.hasError())
        m_failed(QStringLiteral("its part %1 is no UTF-8 text, which a workbook's parts are written in.").arg(name));
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
