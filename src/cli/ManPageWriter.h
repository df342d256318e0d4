#pragma once

#include <QString>

// The vexmoor-cli(1) man page in roff, made from the same tables as `--help`.
QString vexmoorCliManPage();
