#pragma once
// Raw deflate streams (the data of a deflated ZIP entry) inflated with ISA-L where the build has
// it, else with zlib, with the CRC-32 of the output computed on the way.
#include <QByteArray>
#include <cstddef>
#include <functional>
#include <memory>

enum class TInflater { IsaL, Zlib };

// ISA-L when the build has it, else zlib.
TInflater DefaultInflater();
bool IsaLAvailable();

// Why a stream stopped.
enum class TInflateResult {
  Done,       // the stream ended with its final block
  Truncated,  // the input ended before the final block
  Damaged,    // the data are no deflate stream
  Stopped,    // the output sink asked to stop
};

// Where compressed bytes come from: fills at most size bytes, returns how many (0 at the end,
// -1 on a read error, which ends the stream as Damaged).
using TInflateSource = std::function<long long(char* buffer, size_t size)>;
// Where inflated bytes go: false stops the stream.
using TInflateSink = std::function<bool(const char* data, size_t size)>;

struct TInflateOutcome {
  TInflateResult result = TInflateResult::Damaged;
  unsigned long long total = 0;  // bytes handed to the sink
  unsigned crc = 0;              // CRC-32 of those bytes
};

// Inflates one raw deflate stream from source to sink through fixed buffers.
TInflateOutcome InflateStream(TInflater engine, const TInflateSource& source,
                              const TInflateSink& sink);
// The same for a stream in memory (tests and fuzzing).
TInflateOutcome InflateBytes(TInflater engine, const QByteArray& compressed, QByteArray* out);

// The CRC-32 of ZIP over size more bytes, continuing crc (0 to start).
unsigned StreamCrc32(unsigned crc, const char* data, size_t size);
