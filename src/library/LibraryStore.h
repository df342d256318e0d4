#pragma once

#include <QSqlDatabase>
#include <QString>

#include <functional>

class QSqlQuery;

// The user's library: one SQLite file shared by the window and vexmoor-cli.
// This class is the only code that speaks SQL. Its schema moves forward
// through numbered migrations, one transaction each; a file it cannot trust
// is never changed: a newer schema is left alone and a damaged file is
// moved aside before a new one is started.
class LibraryStore
{
public:
    // The schema this build writes; migration n takes a file from n - 1 to n.
    static constexpr int kSchemaVersion = 1;

    enum class OpenState {
        Opened,      // ready; a damaged file may have been moved aside first
        NewerSchema, // written by a newer Vexmoor: left untouched, not opened
        Failed,      // could not be opened or created (see error())
    };

    // ~/.local/share/Vexmoor/library.sqlite for the window and the command line alike.
    static QString defaultPath();

    explicit LibraryStore(QString path);
    ~LibraryStore();
    LibraryStore(const LibraryStore &) = delete;
    LibraryStore &operator=(const LibraryStore &) = delete;

    // Opens the file, creating it (readable by its owner only) when missing,
    // and migrates it to `targetVersion`; only tests ask for an older one.
    OpenState open(int targetVersion = kSchemaVersion);
    bool isOpen() const { return m_open; }
    const QString &path() const { return m_path; }
    int schemaVersion() const;
    // Where a damaged file was moved by the last open(), or empty.
    const QString &movedAsideTo() const { return m_movedAsideTo; }
    // The last failure, in words for the user.
    const QString &error() const { return m_error; }

private:
    bool connect(bool readOnly);
    void disconnect();
    // The file's schema version, or -1 when it is not a sound SQLite database.
    int inspect();
    bool moveAside();
    bool configure();
    bool migrate(int targetVersion);
    // Runs `change` as one immediate transaction: all of it lands or none.
    bool write(const std::function<bool(QSqlQuery &)> &change);
    bool fail(const QString &what, const QSqlQuery &query);

    QString m_path;
    QString m_connection;
    QString m_movedAsideTo;
    QString m_error;
    bool m_open = false;
};
