#pragma once

#include "CliCommand.h"

// esearch: the PMIDs and counts of a saved ESearch answer, as one JSON line.
class EsearchCommand : public CliCommand
{
public:
    QString name() const override;
    QString summary() const override;
    QString description() const override;
    QList<CliArgument> arguments() const override;
    QList<CliExample> examples() const override;

protected:
    int run(const CliParsedArguments &arguments) const override;
};
