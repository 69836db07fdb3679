#pragma once

#include <QByteArrayView>
#include <string>

class QIODevice;

// Writes CSV as RFC 4180 has it: fields separated by commas, rows ended by
// CR LF, a field quoted when it holds a comma, a quote, a line break or
// blanks at its ends, a quote inside doubled. A Null value is an empty
// field and an empty text a quoted one (""), so the two stay apart.
// Written in UTF-8, in blocks; with `guardFormulas`, a value a spreadsheet
// would compute is guarded as FormulaGuard tells.
class CsvWriter {
public:
    CsvWriter(QIODevice &out, bool byteOrderMark, bool guardFormulas);
    ~CsvWriter();

    // A text in UTF-8; a null view is a Null.
    void field(QByteArrayView utf8);
    // A caption of the program's own ("+Jahr"), written as it is: it
    // computes nothing, and a reader finds its columns by it.
    void caption(QByteArrayView utf8);
    void number(qint64 value);
    void endRow();
    // Writes what is buffered; false once the device refused a block.
    bool flush();

private:
    void separate();
    void write(QByteArrayView utf8, bool guard);

    QIODevice &m_out;
    // Appending to a standard string is the fastest way to gather a block.
    std::string m_block;
    bool m_guardFormulas;
    bool m_rowStarted = false;
    bool m_failed = false;
};
