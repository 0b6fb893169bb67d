#pragma once
// The test main fails a test on any Qt warning; a test that provokes one on purpose names it here
// (a part of its text), for the rest of that test only.
#include <QString>

void AllowQtWarning(const QString& part);
