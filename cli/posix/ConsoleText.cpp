#include "cli/CliCommon.h"

const char* DetailSeparator() { return " \xE2\x80\x94 "; }  // em dash
