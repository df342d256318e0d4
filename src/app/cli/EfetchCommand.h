#pragma once

#include "CliCommand.h"

// efetch: the articles of a saved EFetch answer, one JSON object per line, or
// as an export file.
class EfetchCommand : public CliCommand
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
