#include "review/Review.h"

QString stageKey(ScreeningStage stage)
{
    return stage == ScreeningStage::FullText ? QStringLiteral("full-text") : QStringLiteral("title-abstract");
}

QString choiceKey(ScreeningChoice choice)
{
    switch (choice) {
    case ScreeningChoice::Include: return QStringLiteral("include");
    case ScreeningChoice::Exclude: return QStringLiteral("exclude");
    case ScreeningChoice::Maybe: break;
    }
    return QStringLiteral("maybe");
}

std::optional<ScreeningStage> stageFromKey(const QString &key)
{
    for (const ScreeningStage stage : {ScreeningStage::TitleAbstract, ScreeningStage::FullText})
        if (stageKey(stage) == key)
            return stage;
    return std::nullopt;
}

std::optional<ScreeningChoice> choiceFromKey(const QString &key)
{
    for (const ScreeningChoice choice : {ScreeningChoice::Include, ScreeningChoice::Exclude, ScreeningChoice::Maybe})
        if (choiceKey(choice) == key)
            return choice;
    return std::nullopt;
}

QString screenerName(const QString &name, const QString &contactEmail)
{
    if (!name.trimmed().isEmpty())
        return name.trimmed();
    if (!contactEmail.trimmed().isEmpty())
        return contactEmail.trimmed();
    const QString account = qEnvironmentVariable("USER");
    return account.isEmpty() ? QStringLiteral("me") : account;
}
