// Lines about failures: on standard error, and through the port wherever else its system
// shows them.
#include "port.h"
#include "toolkit.h"

#include <cstdio>

void TkReportFailure(const std::string &line) {
  std::fprintf(stderr, "%s\n", line.c_str());
  TkPortReportFailure(line);
}
