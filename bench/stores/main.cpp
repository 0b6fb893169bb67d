// What one more alias costs the engine's configuration store: the work of a persistent
// DbiAddAlias (read the file, supply the defaults, add the alias, write the file) on a
// configuration that holds N aliases already, median of several runs.
#include <QByteArray>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "EngineCfg.h"

int main() {
  for (int n : {500, 1000, 2000, 4000, 8000}) {
    TEngineCfg cfg;
    cfg.AddDefaults();
    for (int i = 0; i < n - 1; ++i)
      cfg.AddAlias("ALIAS" + QByteArray::number(i), "PARADOX",
                   "PATH:C:\\Date\\" + QByteArray::number(i));
    const QByteArray text = cfg.Serialize();
    std::vector<double> ms;
    for (int run = 0; run < 7; ++run) {
      QElapsedTimer t;
      t.start();
      TEngineCfg fresh;
      if (!fresh.Parse(text)) return 1;
      fresh.AddDefaults();
      if (!fresh.AddAlias("NEW", "PARADOX", "PATH:C:\\Date\\NEW")) return 1;
      QByteArray out = fresh.Serialize();
      ms.push_back(t.nsecsElapsed() / 1e6);
      if (out.size() <= text.size()) return 1;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("alias %5d: %8.2f ms (file %lld KB)\n", n, ms[ms.size() / 2],
                (long long)text.size() / 1024);
  }
  return 0;
}
