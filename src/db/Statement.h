#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <memory>
#include <sqlite3.h>

struct StatementFinalizer {
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};

class RegisterFile;

// A prepared statement owned by RAII. Every value goes in through a bound
// parameter; failures become StoreError with the store's message.
class Statement {
public:
    Statement(RegisterFile &file, const QByteArray &sql);

    Statement &bind(int index, const QVariant &value);
    Statement &bind(int index, qint64 value);
    // Steps once; true while a row is available.
    bool step();
    // Runs a statement that returns no rows.
    void run();
    void reset();

    QVariant value(int column) const;
    qint64 int64(int column) const;
    QString text(int column) const;
    bool isNull(int column) const;

private:
    RegisterFile *m_file;
    std::unique_ptr<sqlite3_stmt, StatementFinalizer> m_statement;
};
