#pragma once

#include <QString>

// The bash completion of vexmoor-cli, made from the same tables as `--help`:
// commands, options, the values of choice options, and file names.
QString vexmoorCliBashCompletion();
