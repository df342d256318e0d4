#pragma once

#include "library/LibraryStore.h"

#include <QDir>
#include <QTemporaryDir>

#include <memory>

// A library of a test function's own in a temporary folder: open() in
// init(), remove() in cleanup(); in between it stands for its store.
class TemporaryLibrary
{
public:
    // A store of the folder's library, opened; false when it could not be.
    [[nodiscard]] bool open()
    {
        m_store = std::make_unique<LibraryStore>(path());
        return m_dir.isValid() && m_store->open() == LibraryStore::OpenState::Opened;
    }
    void close() { m_store.reset(); }
    // Closed, and every file of the folder gone, the journals too.
    void remove()
    {
        close();
        for (const QString &name : QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden))
            QFile::remove(m_dir.filePath(name));
    }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }
    QString path() const { return filePath(QStringLiteral("library.sqlite")); }
    LibraryStore *operator->() const { return m_store.get(); }
    LibraryStore &operator*() const { return *m_store; }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<LibraryStore> m_store;
};
