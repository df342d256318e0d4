#pragma once

#include "CliCommand.h"

// search: a PubMed search through the E-utilities, batch by batch, as the window runs it.
class SearchCommand : public CliCommand
{
public:
    QString name() const override;
    QString summary() const override;
    QString description() const override;
    QList<CliArgument> arguments() const override;
    QList<CliOption> options() const override;
    QList<CliExample> examples() const override;

protected:
    int run(const CliParsedArguments &arguments) const override;
};
