#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace orcus {
class zip_archive;
class zip_archive_stream_blob;
} // namespace orcus

// The parts of a zip package (an XLSX or ODS workbook), unpacked one at a
// time by liborcus from the package's bytes in memory.
class ZipParts {
public:
    // What the parts would unpack to, by the package's table of contents;
    // -1 when that cannot be read. Asked before anything is unpacked, so
    // that a small file that unpacks to gigabytes is refused unread.
    static qint64 unpackedSize(const QByteArray &zip);

    // `failed` makes the exception thrown for a damaged package from why.
    ZipParts(QByteArray bytes, std::function<void(const QString &why)> failed);
    ~ZipParts();
    ZipParts(const ZipParts &) = delete;
    ZipParts &operator=(const ZipParts &) = delete;

    bool has(const QString &name) const;
    // The part's bytes; a part that is missing or damaged fails, and so
    // does one whose bytes differ from the size and checksum the package's
    // table of contents gives for it: a part cut short or altered is never
    // read as if whole.
    std::vector<unsigned char> unpack(const QString &name) const;
    // The same for a small part, as Qt's XML reader takes it.
    QByteArray part(const QString &name) const;
    // The same, as text: a part that is no UTF-8 fails.
    std::vector<unsigned char> unpackText(const QString &name) const;

    struct Entry {
        quint32 crc = 0;
        quint64 size = 0;
    };
    // The package's table of contents by part name; nothing when it cannot
    // be read.
    static std::optional<QHash<QString, Entry>> contents(const QByteArray &zip);

private:
    QByteArray m_bytes;
    QHash<QString, Entry> m_contents;
    std::function<void(const QString &)> m_failed;
    std::unique_ptr<orcus::zip_archive_stream_blob> m_stream;
    std::unique_ptr<orcus::zip_archive> m_archive;
};
