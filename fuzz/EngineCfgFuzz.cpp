// The engine's configuration file: no crash on any input, and a file it accepts writes back to
// text that reads the same.
#include <QByteArray>
#include <cstdint>
#include <cstdlib>

#include "EngineCfg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TEngineCfg cfg;
  if (!cfg.Parse(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)))) return 0;
  cfg.AddDefaults();
  const QByteArray written = cfg.Serialize();
  TEngineCfg again;
  if (!again.Parse(written) || again.Serialize() != written) abort();
  return 0;
}
