#include "ReportImport.h"

#include "ImportTarget.h"
#include "RegisterAppender.h"
#include "RegisterFile.h"
#include "RegisterLock.h"
#include "ReportLine.h"
#include "StoreError.h"
#include "Transaction.h"
#include "Windows1252.h"

#include <QFile>
#include <QFileInfo>
#include <QHashFunctions>
#include <algorithm>
#include <array>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr int BreweryColumns = ReportLine::BreweryWidth;
constexpr int ChronikColumns = ReportLine::ChronikWidth;
const QByteArray ByteOrderMark("\xEF\xBB\xBF");

[[noreturn]] void refuse(const QString &file, qsizetype line, const QString &why)
{
    if (line > 0)
        throw ImportRefused(QStringLiteral("%1: line %2: %3").arg(file).arg(line).arg(why));
    throw ImportRefused(QStringLiteral("%1: %2").arg(file, why));
}

// The lines of a report file, one at a time, without their line ends.
class ReportLines {
public:
    explicit ReportLines(const QString &path) : m_file(path), m_name(QFileInfo(path).fileName())
    {
        // A device or a pipe could deliver bytes for ever, or none ever.
        struct stat info {};
        if (::stat(QFile::encodeName(path).constData(), &info) == 0 && !S_ISREG(info.st_mode))
            refuse(path, 0, QStringLiteral("is not a regular file; only a saved report file can be imported"));
        if (!m_file.open(QIODevice::ReadOnly))
            refuse(path, 0, QStringLiteral("cannot be read: %1").arg(m_file.errorString()));
    }

    const QString &name() const { return m_name; }
    qsizetype number() const { return m_number; }
    // The file begins with UTF-8's byte-order mark (never handed out).
    bool startsWithMark() const { return m_startsWithMark; }

    // `line` is reused from call to call: no allocation per line.
    bool next(QByteArray &line)
    {
        if (m_file.atEnd())
            return false;
        line.resize(MaxReportLineBytes + 4);
        const qint64 read = m_file.readLine(line.data(), line.size());
        line.resize(std::max<qint64>(read, 0));
        ++m_number;
        const bool ended = line.endsWith('\n');
        if (ended)
            line.chop(1);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.size() > MaxReportLineBytes || (!ended && !m_file.atEnd()))
            refuse(m_name, m_number, QStringLiteral("the line is longer than %1 KB").arg(MaxReportLineBytes / 1024));
        if (m_number == 1 && line.startsWith(ByteOrderMark)) {
            line.remove(0, ByteOrderMark.size());
            m_startsWithMark = true;
        }
        return true;
    }

private:
    QFile m_file;
    QString m_name;
    qsizetype m_number = 0;
    bool m_startsWithMark = false;
};

enum class LineKind { Brewery, Chronik };

LineKind kindOf(const QByteArray &line, const QString &name, qsizetype number)
{
    const qsizetype columns = line.count('\t') + 1;
    if (columns == BreweryColumns)
        return LineKind::Brewery;
    if (columns == ChronikColumns && line.startsWith(QByteArray(ReportLine::ChronikIndent, '\t')))
        return LineKind::Chronik;
    refuse(name, number,
           QStringLiteral("it has %1 tab-separated columns; a brewery line has 8, a history line 4 empty ones and then 5")
               .arg(columns));
}

bool isUndefinedInWindows1252(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

bool beyondAscii(const QByteArray &line)
{
    return std::any_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

enum class Encoding { Undecided, Utf8, Windows1252 };

[[noreturn]] void refuseUndefined(const ReportLines &lines, qsizetype number)
{
    refuse(lines.name(), number,
           QStringLiteral("it holds a byte that Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90 or 0x9D); "
                          "the file is neither UTF-8 nor Windows-1252"));
}

// What every line that is not empty must be: without NUL, of the shape of
// a brewery or a history line, a brewery before the first history line,
// and, once the file's encoding is known, of that encoding's bytes. The
// second pass asks it only of a line that changed since the first, to say
// what is wrong with it now.
LineKind checkLine(const QByteArray &line, const ReportLines &lines, Encoding encoding, bool breweryYet)
{
    if (line.contains('\0'))
        refuse(lines.name(), lines.number(), QStringLiteral("it holds NUL bytes; the file is not a text file"));
    const LineKind kind = kindOf(line, lines.name(), lines.number());
    if (kind == LineKind::Chronik && !breweryYet)
        refuse(lines.name(), lines.number(), QStringLiteral("a history line comes before the first brewery line"));
    if (encoding == Encoding::Utf8 && beyondAscii(line) && !QByteArrayView(line).isValidUtf8())
        refuse(lines.name(), lines.number(),
               QStringLiteral("it is not UTF-8, which the file is read as (it starts with UTF-8's byte-order mark or "
                              "its other lines are UTF-8)"));
    if (encoding == Encoding::Windows1252 && std::any_of(line.begin(), line.end(), isUndefinedInWindows1252))
        refuseUndefined(lines, lines.number());
    return kind;
}

// A line's bytes, as the second pass must find them again. 64 bits: a
// change that keeps the digest is not to be expected.
quint64 digestOf(const QByteArray &line)
{
    return quint64(qHash(QByteArrayView(line), size_t(0x5eed5eed)));
}

struct Survey {
    Encoding encoding = Encoding::Windows1252;
    qsizetype lines = 0; // up to the last line that is not empty
    // Of every line up to `lines`: whatever changes between the passes, of
    // whatever length or encoding, is found and named.
    std::vector<quint64> digests;
    // Of every line: a history entry's. A line the second pass finds with
    // its digest is the line the first pass checked, and is not checked
    // again.
    std::vector<bool> chronik;
};

// The first pass: every line is checked, nothing is kept.
Survey survey(const QString &path)
{
    ReportLines lines(path);
    Survey found;
    bool anyBeyondAscii = false;
    bool allUtf8 = true;
    qsizetype undefinedAt = 0;
    qsizetype utf8At = 0; // the first line beyond ASCII that is UTF-8
    qsizetype emptyAt = 0;
    bool breweryYet = false;
    QByteArray line;
    while (lines.next(line)) {
        found.digests.push_back(digestOf(line));
        // Empty lines may end the file; one with lines after it is refused.
        if (line.isEmpty()) {
            if (emptyAt == 0)
                emptyAt = lines.number();
            continue;
        }
        if (emptyAt > 0)
            refuse(lines.name(), emptyAt, QStringLiteral("the line is empty"));
        const Encoding known = lines.startsWithMark() ? Encoding::Utf8 : Encoding::Undecided;
        const LineKind kind = checkLine(line, lines, known, breweryYet);
        found.chronik.resize(size_t(lines.number()));
        found.chronik.back() = kind == LineKind::Chronik;
        breweryYet = kind == LineKind::Brewery || breweryYet;
        if (beyondAscii(line)) {
            anyBeyondAscii = true;
            const bool utf8 = QByteArrayView(line).isValidUtf8();
            allUtf8 = allUtf8 && utf8;
            if (utf8 && utf8At == 0)
                utf8At = lines.number();
            if (undefinedAt == 0 && std::any_of(line.begin(), line.end(), isUndefinedInWindows1252))
                undefinedAt = lines.number();
        }
        found.lines = lines.number();
    }
    const bool utf8 = lines.startsWithMark() || (anyBeyondAscii && allUtf8);
    found.encoding = utf8 ? Encoding::Utf8 : Encoding::Windows1252;
    if (!utf8 && undefinedAt > 0)
        refuseUndefined(lines, undefinedAt);
    // Read as Windows-1252, a UTF-8 line would be stored garbled
    // ("MÃ¼nchen"): a file of both is refused rather than guessed at.
    if (!utf8 && utf8At > 0)
        refuse(lines.name(), utf8At,
               QStringLiteral("it is UTF-8, but other lines of the file are Windows-1252; a file of mixed encodings "
                              "cannot be read. Save it in one encoding and import it again"));
    found.digests.resize(size_t(found.lines));
    found.chronik.resize(size_t(found.lines));
    return found;
}

// The columns of a line, split once at its tabs, each without its leading
// and trailing blanks; views into `line`. A carriage return or line feed
// inside a value (a line ending CR CR LF) becomes one blank first, as in
// the grids, so that no line break reaches the register.
std::array<QByteArrayView, ChronikColumns> columnsOf(QByteArray &line)
{
    for (char &c : line) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    std::array<QByteArrayView, ChronikColumns> columns{};
    qsizetype start = 0;
    for (QByteArrayView &column : columns) {
        qsizetype end = line.indexOf('\t', start);
        const bool last = end < 0;
        if (last)
            end = line.size();
        qsizetype first = start, stop = end;
        while (first < stop && line[first] == ' ')
            ++first;
        while (stop > first && line[stop - 1] == ' ')
            --stop;
        column = QByteArrayView(line.constData() + first, stop - first);
        if (last)
            break;
        start = end + 1;
    }
    return columns;
}

// The second pass: every line found again by its digest as it is written
// (the file may have changed since the first), all of them in one
// transaction.
ImportCounts appendLines(const QString &reportPath, const Survey &checked, RegisterFile &file,
                         const std::function<void(qsizetype, qsizetype)> &progress)
{
    ImportCounts counts;
    qint64 rowId = 0;
    ReportLines lines(reportPath);
    QByteArray raw;
    QByteArray converted;
    const qint64 chroniks = std::ranges::count(checked.chronik, true);
    RegisterAppender appender(file, checked.lines - chroniks, chroniks);
    const NamedStep named(file, QStringLiteral("import of %1").arg(QFileInfo(reportPath).fileName()));
    Transaction tx(file);
    while (lines.number() < checked.lines) {
        if (!lines.next(raw))
            refuse(lines.name(), lines.number() + 1, QStringLiteral("the file ends here; it changed while it was imported"));
        if (digestOf(raw) != checked.digests[size_t(lines.number() - 1)]) {
            checkLine(raw, lines, checked.encoding, lines.number() > 1);
            refuse(lines.name(), lines.number(), QStringLiteral("the line changed while the file was imported"));
        }
        const LineKind kind = checked.chronik[size_t(lines.number() - 1)] ? LineKind::Chronik : LineKind::Brewery;
        // Values are bound as the UTF-8 bytes they are; a Windows-1252 file
        // is converted a line at a time.
        // (A copy of `raw` would make the next read allocate anew.)
        QByteArray &line = checked.encoding == Encoding::Utf8 ? raw : (converted = FromWindows1252(raw).toUtf8());
        const auto columns = columnsOf(line);
        if (kind == LineKind::Brewery) {
            rowId = appender.addBrewery(columns.data());
            ++counts.breweries;
        } else {
            appender.addChronik(rowId, columns.data() + ReportLine::ChronikIndent);
            ++counts.chroniks;
        }
        if (progress && (lines.number() % 1000 == 0 || lines.number() == checked.lines))
            progress(checked.lines + lines.number(), checked.lines * 2);
    }
    // Only empty lines may follow, as the first pass found.
    while (lines.next(raw)) {
        if (!raw.isEmpty())
            refuse(lines.name(), lines.number(), QStringLiteral("the line was added while the file was imported"));
    }
    tx.commit();
    return counts;
}

} // namespace

QString DescribeAdded(const ImportCounts &counts)
{
    return QStringLiteral("%1 and %2").arg(CountedBreweries(counts.breweries), CountedEntries(counts.chroniks));
}

ImportCounts ImportReport(const QString &reportPath, const QString &registerPath, const ImportOptions &options,
                          const std::function<void(qsizetype, qsizetype)> &progress)
{
    const Survey checked = survey(reportPath);
    if (progress)
        progress(checked.lines, checked.lines * 2);

    const ImportTarget target = OpenImportTarget(registerPath, options, QStringLiteral("the report"));
    return appendLines(reportPath, checked, *target.file, progress);
}

ImportCounts ImportReport(const QString &reportPath, RegisterFile &file,
                          const std::function<void(qsizetype, qsizetype)> &progress)
{
    const Survey checked = survey(reportPath);
    if (progress)
        progress(checked.lines, checked.lines * 2);
    return appendLines(reportPath, checked, file, progress);
}
