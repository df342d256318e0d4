#pragma once

#include "review/KeptTextSource.h"
#include "review/Review.h"
#include "review/ReviewDuplicates.h"
#include "review/ReviewRecord.h"
#include "review/ReviewStore.h"

#include <QHash>
#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>

class LibraryStore;
class PrismaView;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;
class QTabWidget;
class QTextBrowser;
class RelevanceRanking;
class ReviewCompletion;
struct Endpoints;
struct EutilsIdentity;
class ScreeningView;

// The records of a search shown in the main window, to be added to a review.
struct SearchToAdd
{
    QString query;
    qint64 count = 0;
    ReviewRecords records;
};

// One review's own window: identification (its sources: imports, a search,
// a collection), the duplicates (merges with their reasons, undoable, and
// the uncertain pairs to judge), screening one record at a time, and the
// PRISMA diagram with its exports. Every decision goes to the store as it is made.
class ReviewWorkspace : public QMainWindow
{
    Q_OBJECT

public:
    using SearchProvider = std::function<std::optional<SearchToAdd>()>;

    ReviewWorkspace(LibraryStore &library, const Review &review, QString who, KeptTextSource fullText,
                    SearchProvider currentSearch, QWidget *parent = nullptr);
    ~ReviewWorkspace() override;

    ScreeningView *screening() const { return m_screening; }
    // Where records are completed from PubMed, and as whom.
    void setPubmed(const Endpoints &endpoints, const EutilsIdentity &identity);
    // The record on screen in the screening view, 0 when none.
    qint64 shownRecord() const;

signals:
    // The library's reviews or collections changed.
    void reviewsChanged();

private:
    QWidget *identificationPage();
    QWidget *duplicatesPage();
    QWidget *prismaPage();
    void reload();
    void say(const QString &message);
    bool check(bool ok);
    void addSource(const ReviewSource &source, const ReviewRecords &records);
    void importFile();
    void addCollection();
    void addSearch();
    void completeFromPubmed();
    void importDecisions();
    void findDuplicates();
    // `compared`: how many records stood when the search began.
    void applyDuplicates(const ReviewDuplicates::Found &found, qsizetype compared);
    void showDuplicates();
    void judgePair(bool same);
    void undoMerge();
    void rebuildQueue();
    void showCurrent();
    void decide(ScreeningChoice choice, const QString &reason);
    void undoDecision();
    // Waits for the disk to hold the decisions already shown as made.
    void syncDecisions();
    void step(int by);
    void refit();
    void showAgreement();
    void exportDiagram();
    void exportText(const QString &filter, const std::function<QByteArray(const QString &path)> &bytes);

    LibraryStore &m_library;
    ReviewStore m_store;
    Review m_review;
    QString m_who;
    KeptTextSource m_fullText;
    SearchProvider m_currentSearch;

    QTabWidget *m_tabs;
    QTableWidget *m_sources;
    QLabel *m_message;
    QPushButton *m_find = nullptr;
    QPushButton *m_complete = nullptr;
    ReviewCompletion *m_completion = nullptr;
    QListWidget *m_merges;
    QListWidget *m_pairs;
    QTextBrowser *m_left;
    QTextBrowser *m_right;
    ScreeningView *m_screening;
    PrismaView *m_prisma;

    ReviewRecords m_records;
    QHash<qint64, qsizetype> m_index; // record id → place in m_records
    QHash<qint64, QStringList> m_foundIn;
    QList<ReviewMerge> m_mergeList;
    QList<ReviewDuplicates::Pair> m_uncertain;
    QHash<qint64, ScreeningDecision> m_decisions; // the screener's own, at the stage shown
    QList<qint64> m_queue;
    qsizetype m_position = 0;
    qsizetype m_eligible = 0; // the records to screen at the stage shown, whatever the filter
    bool m_comparing = false; // two screeners or more decided at the stage shown
    bool m_unsynced = false;  // decisions safe from a kill, not yet on the disk
    std::unique_ptr<RelevanceRanking> m_ranking;
};
