#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

// A workbook written through libxlsxwriter, row after row, in little memory
// however many rows (the library's constant-memory mode). It is written
// under a temporary name and takes its own when closed; a book not closed
// leaves nothing.
class XlsxBook {
public:
    // Rows of a sheet, its header included.
    static constexpr qint64 MaxRows = 1048576;

    explicit XlsxBook(const QString &path);
    ~XlsxBook();
    XlsxBook(const XlsxBook &) = delete;
    XlsxBook &operator=(const XlsxBook &) = delete;

    class Sheet {
    public:
        void number(double value);
        // A text in UTF-8: a null view is an empty cell, an empty text an
        // empty text cell; with `asNumber`, a whole number is a number.
        // `where` names the value in the message when it cannot be written.
        void value(QByteArrayView utf8, bool asNumber, const QString &where);
        void endRow();

    private:
        friend class XlsxBook;
        Sheet(XlsxBook &book, lxw_worksheet *sheet) : m_book(book), m_sheet(sheet) {}
        XlsxBook &m_book;
        lxw_worksheet *m_sheet;
        quint32 m_row = 0;
        quint16 m_column = 0;
        QByteArray m_text;
    };

    enum class Shown { Visible, Hidden };
    // A sheet with `header` in bold in its first row, when it has one.
    Sheet &addSheet(const QString &name, const QStringList &header, Shown shown = Shown::Visible);
    // Writes the workbook and gives it its name. Throws ExportFailed.
    void close();

private:
    void check(int error, const QString &where) const;

    QString m_path;
    QString m_temporary;
    lxw_workbook *m_book;
    lxw_format *m_bold;
    std::vector<std::unique_ptr<Sheet>> m_sheets;
};
