#pragma once
// The application's version: shown on the backdrop and naming the release notes folder.
#include <QString>

constexpr double ZORVAN_VER = 3200875.01;

// The version as shown and as the notes folder is named: two decimals and "." whatever the
// user's regional settings are.
inline QString ZorvanVersionText() {
  return QString::number(ZORVAN_VER, 'f', 2);
}
