#pragma once

#include "CliCommand.h"

// cite: the citations of the articles of a saved EFetch answer.
class CiteCommand : public CliCommand
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
