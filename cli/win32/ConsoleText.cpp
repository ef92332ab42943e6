#include "cli/CliCommon.h"

const char* DetailSeparator() { return " - "; }
