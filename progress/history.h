#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>

class QSqlError;
class QSqlQuery;

// Every practice pass of one book, kept in an SQLite file in the user's data directory: when
// it began, its unit, and each answer with what was typed and whether it was right.
//
// Each step is written as it happens, each in its own transaction: the pass when its first
// answer comes, every answer, then the mark that the pass was finished. A crash, a kill or
// leaving practice halfway therefore leaves the answers given so far and a pass without that
// mark, never half an answer; the scores count finished passes only, the words most often
// wrong count every answer.
//
// The file is opened at its first use. A damaged, locked or unusable file, or one written
// by a later program with another layout, is reported once through the report function and
// history is then left alone for the rest of the run: practice goes on without it.
class History
{
public:
    using Report = std::function<void(const QString &message)>;

    struct Pass
    {
        QDateTime started;
        int words = 0;    // how many words the pass asked
        int right = 0;    // right answers given
        int answered = 0; // answers given
        bool finished = false;
        bool wholeUnit = true; // false for a pass over chosen words
    };

    struct WrongWord
    {
        QString english;
        int times = 0;
    };

    // The layout of the file this program writes; kept in the file's user_version.
    static constexpr int schemaVersion = 1;

    // `book` tells this book's passes from another's; `file` is the SQLite file.
    History(QByteArray book, QString file, Report report = {});
    ~History();
    History(const History &) = delete;
    History &operator=(const History &) = delete;

    // The file in the user's data directory.
    static QString defaultFile();

    // Opens the file if that has not been tried yet; false when history is not to be had.
    bool isAvailable();

    // Starts a pass of `words` words of `unit` (1-based); its id, or -1 without history.
    qint64 beginPass(int unit, int words, bool wholeUnit);
    // The answer to word `position` (0-based) of the pass.
    void recordAnswer(qint64 pass, int position, const QString &english, const QString &typed,
                      bool right);
    void finishPass(qint64 pass);

    // The unit's passes, oldest first.
    QList<Pass> passes(int unit);
    // The unit's words answered wrong at least once, most often first, at most `limit`.
    QList<WrongWord> mostOftenWrong(int unit, int limit);

private:
    bool open();
    bool createSchema();
    // Reports the failure once and gives up history for the rest of the run; false.
    bool fail(const QSqlError &error);
    bool fail(const QString &why);
    // Runs a prepared query; a failure gives up history.
    bool exec(QSqlQuery &query);

    QByteArray m_book;
    QString m_file;
    Report m_report;
    QString m_connection;
    enum class State { Closed, Open, Failed } m_state = State::Closed;
};
