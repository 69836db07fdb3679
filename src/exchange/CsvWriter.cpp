#include "CsvWriter.h"

#include "FormulaGuard.h"

#include <QIODevice>

namespace {

constexpr qsizetype Block = 1 << 20;

bool needsQuotes(QByteArrayView text)
{
    if (text.isEmpty())
        return true;
    if (text.front() == ' ' || text.back() == ' ')
        return true;
    for (char c : text) {
        if (c == ',' || c == '"' || c == '\r' || c == '\n')
            return true;
    }
    return false;
}

} // namespace

CsvWriter::CsvWriter(QIODevice &out, bool byteOrderMark, bool guardFormulas)
    : m_out(out), m_guardFormulas(guardFormulas)
{
    m_block.reserve(Block + 4096);
    if (byteOrderMark)
        m_block.append("\xEF\xBB\xBF");
}

CsvWriter::~CsvWriter() = default;

void CsvWriter::separate()
{
    if (m_rowStarted)
        m_block += ',';
    m_rowStarted = true;
}

void CsvWriter::field(QByteArrayView utf8)
{
    write(utf8, m_guardFormulas && FormulaGuard::needed(utf8));
}

void CsvWriter::caption(QByteArrayView utf8)
{
    write(utf8, false);
}

void CsvWriter::write(QByteArrayView utf8, bool guard)
{
    separate();
    if (utf8.isNull())
        return;
    if (!needsQuotes(utf8)) {
        if (guard)
            m_block += '\'';
        m_block.append(utf8.data(), size_t(utf8.size()));
        return;
    }
    m_block += '"';
    if (guard)
        m_block += '\'';
    for (char c : utf8) {
        if (c == '"')
            m_block += '"';
        m_block += c;
    }
    m_block += '"';
}

void CsvWriter::number(qint64 value)
{
    separate();
    m_block.append(std::to_string(value));
}

void CsvWriter::endRow()
{
    m_block.append("\r\n");
    m_rowStarted = false;
    if (m_block.size() >= size_t(Block))
        flush();
}

bool CsvWriter::flush()
{
    if (!m_failed && !m_block.empty() && m_out.write(m_block.data(), qint64(m_block.size())) != qint64(m_block.size()))
        m_failed = true;
    m_block.clear();
    return !m_failed;
}
