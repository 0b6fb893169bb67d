#pragma once
// A setup log for support and for tests: when ZAREDERAD_LOG names a host file, each line is
// appended there with the process id in front. Without it nothing is written.
#include <QString>

namespace win {
void LogLine(const QString& line);
}
