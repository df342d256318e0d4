#pragma once

#include "entrez/ArticleRecord.h"

class SearchSession;

#include <QAbstractTableModel>
#include <QHash>
#include <QSet>
#include <QStringList>

// The result table's data source: row n shows article n of a session, each
// column the record's value under the key that is the column's identifier;
// it follows the session's resets and appended batches. Sorting reorders the list itself, so every row number used
// anywhere refers to the order on screen.
class ArticleTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // Column identifiers and their header titles, in display order.
    struct Column
    {
        QString identifier;
        QString title;
    };

    ArticleTableModel(SearchSession *session, QList<Column> columns, QObject *parent = nullptr);

    // The identifier of the "#" column: each article's rank in the order the
    // service gave them, so that sorting on it restores that order.
    static inline const QString RankColumn = QStringLiteral("rank");
    // The identifier of the "Cited by" column: how many PubMed articles cite
    // each one, blank while unknown; it sorts by number.
    static inline const QString CitedByColumn = QStringLiteral("citedBy");
    // The identifier of the "RCR" column: iCite's Relative Citation Ratio,
    // blank where iCite has none; it sorts by number.
    static inline const QString RcrColumn = QStringLiteral("rcr");
    // The identifier of the column that marks the articles the library holds.
    static inline const QString LibraryColumn = QStringLiteral("inLibrary");
    // Answers whether the library holds a PMID; the mark column asks it.
    using LibraryCheck = std::function<bool(qint64 pmid)>;
    void setLibraryCheck(LibraryCheck check);
    // The library changed: the marks are drawn again.
    void libraryChanged();

    // The identifier of the column that marks the articles whose full text is
    // kept and, once looked up, those with a free source.
    static inline const QString FullTextColumn = QStringLiteral("fullText");
    enum class FullTextMark { None, FreeSource, Kept };
    using FullTextCheck = std::function<FullTextMark(const QString &pmid)>;
    void setFullTextCheck(FullTextCheck check);
    // Kept texts or looked-up sources changed: the marks are drawn again.
    void fullTextChanged() { columnChanged(FullTextColumn); }

    const QList<Column> &columns() const { return m_columns; }
    int columnNamed(const QString &identifier) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    // A row's header (hidden) names the row for assistive tools: "authors, title, journal, year".
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    void sort(int column, Qt::SortOrder order) override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDragActions() const override;

    // A format the drag data carries besides the maker's: the dragged PMIDs,
    // one a line, for what takes articles in (a collection).
    static inline const QString PmidsMimeType = QStringLiteral("application/x-vexmoor-pmids");
    // Builds the drag data for a set of rows; set by the owner of the export.
    using MimeDataMaker = std::function<QMimeData *(const QList<int> &rows)>;
    void setMimeDataMaker(MimeDataMaker maker) { m_mimeDataMaker = std::move(maker); }

    // A word shown by an article's rank, its row in bold, with a tool tip
    // that says why: a saved search's new articles, a collection's updated records.
    struct RowMark
    {
        QString text;
        QString toolTip;
    };
    // By PMID; none unmarks every row.
    void setMarks(QHash<QString, RowMark> marks);
    // Marks each of `pmids` "New".
    void setNewPmids(const QSet<QString> &pmids);
    static inline const QString NewMark = QStringLiteral("New");

private:
    void appendRanks();
    // The rows in the order of a number each has, stably.
    std::vector<qsizetype> permutationBy(const std::function<double(qsizetype row)> &number, Qt::SortOrder order) const;
    // Moves the rows marked new before the others, each part in its order;
    // `permutation` (new row i holds old row permutation[i]) follows.
    void keepNewFirst(std::vector<qsizetype> &permutation);
    // -1 while unknown, so unknown figures sort below 0.
    qint64 citedByCountAt(qsizetype row) const;
    double rcrAt(qsizetype row) const;
    bool inLibrary(const ArticleRecord &article) const;
    void columnChanged(const QString &identifier);
    FullTextMark fullTextMark(const ArticleRecord &article) const;
    QVariant fullTextData(const ArticleRecord &article, int role) const;

    const SearchSession *m_session;
    ArticleList *m_articles;
    // The rank of the article in each row, beside the list and reordered with it.
    QList<int> m_ranks;
    QList<Column> m_columns;
    MimeDataMaker m_mimeDataMaker;
    LibraryCheck m_inLibrary;
    FullTextCheck m_fullText;
    QHash<QString, RowMark> m_marks;
};
