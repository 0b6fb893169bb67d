#pragma once
// Readable failure messages for Qt strings (gtest would print them as arrays of 2-byte objects).
#include <QString>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
  *os << '"' << s.toStdString() << '"';
}
