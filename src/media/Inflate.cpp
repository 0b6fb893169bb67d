#include "media/Inflate.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>

#ifdef ZAREDERAD_HAVE_ISAL
#include <isa-l/igzip_lib.h>
#endif

namespace {

constexpr size_t kIn = size_t{128} * 1024;
constexpr size_t kOut = size_t{512} * 1024;

// The buffers live as long as the thread: an archive of 10,000 small files would otherwise
// allocate and clear them 10,000 times.
struct Buffers {
  std::unique_ptr<char[]> in{new char[kIn]};
  std::unique_ptr<char[]> out{new char[kOut]};
#ifdef ZAREDERAD_HAVE_ISAL
  std::unique_ptr<inflate_state> state{new inflate_state};  // about 40 KB
#endif
};

Buffers& Scratch() {
  thread_local Buffers buffers;
  return buffers;
}

TInflateOutcome WithZlib(const TInflateSource& source, const TInflateSink& sink) {
  TInflateOutcome o;
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return o;
  struct End {
    z_stream* z;
    ~End() { inflateEnd(z); }
  } end{&z};
  char* const in = Scratch().in.get();
  char* const out = Scratch().out.get();
  uLong crc = crc32(0, nullptr, 0);
  bool eof = false;
  for (;;) {
    if (z.avail_in == 0 && !eof) {
      long long n = source(in, kIn);
      if (n < 0) return o;
      eof = n == 0;
      z.next_in = reinterpret_cast<Bytef*>(in);
      z.avail_in = uInt(n);
    }
    z.next_out = reinterpret_cast<Bytef*>(out);
    z.avail_out = uInt(kOut);
    const uInt before = z.avail_in;
    int r = inflate(&z, Z_NO_FLUSH);
    size_t produced = kOut - z.avail_out;
    if (produced) {
      crc = crc32(crc, reinterpret_cast<const Bytef*>(out), uInt(produced));
      o.total += produced;
      o.crc = unsigned(crc);
      if (!sink(out, produced)) {
        o.result = TInflateResult::Stopped;
        return o;
      }
    }
    if (r == Z_STREAM_END) {
      o.result = TInflateResult::Done;
      return o;
    }
    if (r != Z_OK && r != Z_BUF_ERROR) return o;  // Damaged
    if (produced == 0 && z.avail_in == before && (eof || before != 0)) {
      o.result = eof ? TInflateResult::Truncated : TInflateResult::Damaged;
      return o;
    }
  }
}

#ifdef ZAREDERAD_HAVE_ISAL
TInflateOutcome WithIsaL(const TInflateSource& source, const TInflateSink& sink) {
  TInflateOutcome o;
  inflate_state* const state = Scratch().state.get();
  isal_inflate_init(state);
  state->crc_flag = ISAL_GZIP_NO_HDR;  // the CRC-32 of ZIP, kept in state->crc
  char* const in = Scratch().in.get();
  char* const out = Scratch().out.get();
  bool eof = false;
  for (;;) {
    if (state->avail_in == 0 && !eof) {
      long long n = source(in, kIn);
      if (n < 0) return o;
      eof = n == 0;
      state->next_in = reinterpret_cast<uint8_t*>(in);
      state->avail_in = uint32_t(n);
    }
    state->next_out = reinterpret_cast<uint8_t*>(out);
    state->avail_out = uint32_t(kOut);
    const uint32_t before = state->avail_in;
    int r = isal_inflate(state);
    if (r < 0) return o;  // Damaged
    size_t produced = kOut - state->avail_out;
    if (produced) {
      o.total += produced;
      o.crc = state->crc;
      if (!sink(out, produced)) {
        o.result = TInflateResult::Stopped;
        return o;
      }
    }
    if (state->block_state == ISAL_BLOCK_FINISH) {
      o.crc = state->crc;
      o.result = TInflateResult::Done;
      return o;
    }
    if (produced == 0 && state->avail_in == before && (eof || before != 0)) {
      o.result = eof ? TInflateResult::Truncated : TInflateResult::Damaged;
      return o;
    }
  }
}
#endif

}  // namespace

bool IsaLAvailable() {
#ifdef ZAREDERAD_HAVE_ISAL
  return true;
#else
  return false;
#endif
}

TInflater DefaultInflater() {
  return IsaLAvailable() ? TInflater::IsaL : TInflater::Zlib;
}

TInflateOutcome InflateStream(TInflater engine, const TInflateSource& source,
                              const TInflateSink& sink) {
#ifdef ZAREDERAD_HAVE_ISAL
  if (engine == TInflater::IsaL) return WithIsaL(source, sink);
#endif
  return WithZlib(source, sink);
}

TInflateOutcome InflateBytes(TInflater engine, const QByteArray& compressed, QByteArray* out) {
  qsizetype at = 0;
  return InflateStream(
      engine,
      [&](char* buffer, size_t size) -> long long {
        qsizetype n = std::min<qsizetype>(qsizetype(size), compressed.size() - at);
        memcpy(buffer, compressed.constData() + at, size_t(n));
        at += n;
        return n;
      },
      [&](const char* data, size_t size) {
        if (out) out->append(data, qsizetype(size));
        return true;
      });
}

unsigned StreamCrc32(unsigned crc, const char* data, size_t size) {
  while (size > 0) {
    const uInt n = uInt(std::min<size_t>(size, size_t{1} << 30));
    crc = unsigned(crc32(crc, reinterpret_cast<const Bytef*>(data), n));
    data += n;
    size -= n;
  }
  return crc;
}
