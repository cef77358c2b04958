// Failure lines on Linux: a program's diagnostics are its standard error, written already.
#include "port.h"

void TkPortReportFailure(const std::string &) {}
