#include "cli/BashCompletionWriter.h"

#include "cli/CliProgram.h"

#include <algorithm>

namespace {

QStringList optionWords(const QList<CliOption> &options)
{
    QStringList words;
    for (const CliOption &option : options) {
        for (const QString &name : option.names)
            words.append((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name);
    }
    return words;
}

// "--format|-f" for a case pattern.
QString casePattern(const CliOption &option)
{
    return optionWords({option}).join(u'|');
}

// The branch of the command's case: what the word after a valued option is,
// then options for a dash, then the arguments.
QString commandBranch(const CliCommand &command)
{
    const QList<CliOption> options = command.allOptions();
    QString branch = QStringLiteral("        %1)\n            case $prev in\n").arg(command.name());
    for (const CliOption &option : options) {
        if (option.valueName.isEmpty())
            continue;
        branch += QStringLiteral("                %1)\n                    ").arg(casePattern(option));
        if (!option.choices.isEmpty())
            branch += QStringLiteral("_vexmoor_cli_words '%1'").arg(option.choices.join(u' '));
        else if (option.namesFile)
            branch += QStringLiteral("_vexmoor_cli_files");
        branch += QStringLiteral("\n                    return ;;\n");
    }
    branch += QStringLiteral("            esac\n");
    branch += QStringLiteral("            if [[ $cur == -* ]]; then\n                _vexmoor_cli_words '%1'\n"
                             "                return\n            fi\n")
                  .arg(optionWords(options).join(u' '));
    const QList<CliArgument> arguments = command.arguments();
    const bool files = std::any_of(arguments.cbegin(), arguments.cend(), [](const CliArgument &a) { return a.namesFile; });
    if (files)
        branch += QStringLiteral("            _vexmoor_cli_files\n");
    branch += QStringLiteral("            ;;\n");
    return branch;
}

} // namespace

QString vexmoorCliBashCompletion()
{
    QStringList commandNames;
    for (const auto &command : CliProgram::commands())
        commandNames.append(command->name());

    QString script = QStringLiteral(
        "# bash completion for vexmoor-cli, made by vexmoor-cli-docs from its option tables.\n"
        "\n"
        "_vexmoor_cli_words()\n"
        "{\n"
        "    mapfile -t COMPREPLY < <(compgen -W \"$1\" -- \"$cur\")\n"
        "}\n"
        "\n"
        "_vexmoor_cli_files()\n"
        "{\n"
        "    compopt -o filenames 2>/dev/null\n"
        "    mapfile -t COMPREPLY < <(compgen -f -- \"$cur\")\n"
        "}\n"
        "\n"
        "_vexmoor_cli()\n"
        "{\n"
        "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
        "    local command= i\n"
        "    COMPREPLY=()\n"
        "    # --option=value arrives as three words.\n"
        "    if [[ $cur == = ]]; then\n"
        "        cur=\n"
        "    elif [[ $prev == = ]]; then\n"
        "        prev=${COMP_WORDS[COMP_CWORD-2]}\n"
        "    fi\n"
        "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
        "        if [[ ${COMP_WORDS[i]} != -* ]]; then\n"
        "            command=${COMP_WORDS[i]}\n"
        "            break\n"
        "        fi\n"
        "    done\n"
        "    case $command in\n"
        "        '')\n"
        "            if [[ $cur == -* ]]; then\n"
        "                _vexmoor_cli_words '%1'\n"
        "            else\n"
        "                _vexmoor_cli_words '%2'\n"
        "            fi\n"
        "            ;;\n")
                         .arg(optionWords(CliProgram::globalOptions()).join(u' '), commandNames.join(u' '));
    for (const auto &command : CliProgram::commands())
        script += commandBranch(*command);
    script += QStringLiteral("    esac\n}\n\ncomplete -F _vexmoor_cli vexmoor-cli\n");
    return script;
}
