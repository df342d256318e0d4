#pragma once

#include "review/Review.h"

#include <QHash>
#include <QList>

// How far two screeners agree at a stage, over the records both decided.
struct ScreenerAgreement
{
    qsizetype compared = 0;
    qsizetype agreed = 0;
    QList<qint64> disagreements; // record ids, in order
    // Cohen's kappa: agreement beyond what chance gives; 1 when both always
    // agree (also when chance alone would), nullopt with nothing compared.
    std::optional<double> kappa;

    static ScreenerAgreement between(const QHash<qint64, ScreeningDecision> &first,
                                     const QHash<qint64, ScreeningDecision> &second);
};
