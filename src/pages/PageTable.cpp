#include "pages/PageTable.h"

#include "pages/CCopy.h"
#include "pages/CDirs.h"
#include "pages/CEnd.h"
#include "pages/Ccfg.h"
#include "pages/Cfindapp.h"
#include "pages/Citype.h"
#include "pages/Placeholder.h"

std::array<TPageFactory, 10> DefaultPageTable() {
  std::array<TPageFactory, 10> table;
  table[0] = [] { return new TIType; };
  table[1] = [] { return new TDirs; };
  table[2] = [] { return new TCopy; };
  table[3] = [] { return new TConfig; };
  table[4] = [] { return new TEndScreen; };
  table[6] = [] { return new TFindApp; };
  // The other upgrade pages are not built yet: plain pages stand at their positions.
  for (int pos : {7, 8}) table[pos] = [pos] { return new TPlaceholderPage(pos); };
  return table;
}

void InstallProgramPages() {
  SetDefaultPageTable(DefaultPageTable());
}
