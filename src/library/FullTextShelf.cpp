#include "library/FullTextShelf.h"

#include "library/FullTextFiles.h"
#include "library/LibraryMessages.h"
#include "library/LibraryStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

} // namespace

bool FullTextShelf::keep(FullTextRow row, const QByteArray &bytes, const FullTextDocument *text)
{
    m_error.clear();
    const QString folder = m_store.fullTextFolder();
    if (!QDir().mkpath(folder) || !QFile::setPermissions(folder, kOwnerOnly | QFileDevice::ExeOwner)) {
        m_error = LibraryMessages::fullTextNotKept(folder);
        return false;
    }
    const QString target = FullTextFiles::path(m_store.path(), row.pmid, row.kind);
    const QString partial = folder + u'/' + FullTextFiles::partialName(row.pmid, row.kind);
    {
        QFile file(partial);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) || !file.setPermissions(kOwnerOnly)
            || file.write(bytes) != bytes.size() || !file.flush()) {
            m_error = LibraryMessages::fullTextNotKept(target) + u' ' + file.errorString();
            file.remove();
            return false;
        }
    }
    row.size = bytes.size();
    row.checksum = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    if (!row.fetched.isValid())
        row.fetched = QDateTime::currentDateTimeUtc();
    if (!m_store.recordFullText(row, text ? text->sectionTexts() : QStringList())) {
        m_error = m_store.error();
        QFile::remove(partial);
        return false;
    }
    // rename(2) puts the whole file in place in one step.
    if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(target).constData()) != 0) {
        m_error = LibraryMessages::fullTextNotKept(target) + u' ' + QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(partial);
        m_store.forgetFullText(row.pmid, row.kind);
        return false;
    }
    return true;
}

std::optional<KeptFullText> FullTextShelf::kept(qint64 pmid, std::optional<FullTextKind> kind)
{
    m_error.clear();
    std::optional<QList<FullTextRow>> rows = m_store.fullTexts({pmid});
    if (!rows) {
        m_error = m_store.error();
        return std::nullopt;
    }
    if (kind)
        rows->removeIf([&kind](const FullTextRow &row) { return row.kind != *kind; });
    if (rows->isEmpty())
        return std::nullopt;
    // A text comes before a PDF: the rows are ordered by kind's name, "pdf" < "text".
    const FullTextRow &row = rows->last();
    KeptFullText kept{row, FullTextFiles::path(m_store.path(), row.pmid, row.kind), std::nullopt};
    QFile file(kept.path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = LibraryMessages::fullTextMissing(kept.path);
        return std::nullopt;
    }
    if (row.kind == FullTextKind::Text) {
        kept.document = FullTextDocument::fromJson(file.readAll());
        if (!kept.document) {
            m_error = LibraryMessages::fullTextMissing(kept.path);
            return std::nullopt;
        }
    }
    return kept;
}
