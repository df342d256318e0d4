#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// A systematic review: its question, its criteria and the reasons a screener
// may give for excluding a record.
struct Review
{
    qint64 id = 0;
    QString name;
    QString question;
    QString inclusion;
    QString exclusion;
    QStringList reasons;    // offered in this order, chosen by number key
    QStringList highlights; // words to mark in titles and abstracts while screening
    QDateTime created;
};

// Where a set of records came from: a database searched (through which
// interface, with which strategy, on which date) and how many it gave.
struct ReviewSource
{
    qint64 id = 0;
    QString database;  // "PubMed", "Embase", "Scopus" …
    QString interface; // "Vexmoor", "Ovid" …
    QString strategy;  // the search as run
    QDate searched;
    qint64 count = 0;  // the records it gave
};

enum class ScreeningStage { TitleAbstract, FullText };
enum class ScreeningChoice { Include, Exclude, Maybe };

struct ScreeningDecision
{
    qint64 record = 0;
    ScreeningStage stage = ScreeningStage::TitleAbstract;
    ScreeningChoice choice = ScreeningChoice::Include;
    QString reason; // for an exclusion
    QString who;
    QDateTime at;
};

// A duplicate merged into the record kept in its place.
struct ReviewMerge
{
    qint64 id = 0;
    qint64 kept = 0;
    qint64 merged = 0;
    QString rule;
    QString who;
    QDateTime at;
};

// The words stored for the stages and choices, never shown.
QString stageKey(ScreeningStage stage);
QString choiceKey(ScreeningChoice choice);
std::optional<ScreeningStage> stageFromKey(const QString &key);
std::optional<ScreeningChoice> choiceFromKey(const QString &key);

// Who decides, as decisions record it: the name the preferences give, else
// their contact address, else the account's name.
QString screenerName(const QString &name, const QString &contactEmail);
