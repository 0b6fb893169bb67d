#include "media/Inflate.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include <vector>

#ifdef ZAREDERAD_HAVE_ISAL
#include <isa-l/igzip_lib.h>
#endif

namespace {

constexpr size_t kIn = 128 * 1024;
constexpr size_t kOut = 512 * 1024;

TInflateOutcome WithZlib(const TInflateSource& source, const TInflateSink& sink) {
  TInflateOutcome o;
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return o;
  struct End {
    z_stream* z;
    ~End() { inflateEnd(z); }
  } end{&z};
  std::vector<char> in(kIn), out(kOut);
  uLong crc = crc32(0, nullptr, 0);
  bool eof = false;
  for (;;) {
    if (z.avail_in == 0 && !eof) {
      long long n = source(in.data(), in.size());
      if (n < 0) return o;
      eof = n == 0;
      z.next_in = reinterpret_cast<Bytef*>(in.data());
      z.avail_in = uInt(n);
    }
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    const uInt before = z.avail_in;
    int r = inflate(&z, Z_NO_FLUSH);
    size_t produced = out.size() - z.avail_out;
    if (produced) {
      crc = crc32(crc, reinterpret_cast<const Bytef*>(out.data()), uInt(produced));
      o.total += produced;
      o.crc = unsigned(crc);
      if (!sink(out.data(), produced)) {
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
  // The state is about 40 KB: on the heap, not the stack.
  auto state = std::make_unique<inflate_state>();
  isal_inflate_init(state.get());
  state->crc_flag = ISAL_GZIP_NO_HDR;  // the CRC-32 of ZIP, kept in state->crc
  std::vector<char> in(kIn), out(kOut);
  bool eof = false;
  for (;;) {
    if (state->avail_in == 0 && !eof) {
      long long n = source(in.data(), in.size());
      if (n < 0) return o;
      eof = n == 0;
      state->next_in = reinterpret_cast<uint8_t*>(in.data());
      state->avail_in = uint32_t(n);
    }
    state->next_out = reinterpret_cast<uint8_t*>(out.data());
    state->avail_out = uint32_t(out.size());
    const uint32_t before = state->avail_in;
    int r = isal_inflate(state.get());
    if (r < 0) return o;  // Damaged
    size_t produced = out.size() - state->avail_out;
    if (produced) {
      o.total += produced;
      o.crc = state->crc;
      if (!sink(out.data(), produced)) {
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

TInflater DefaultInflater() { return IsaLAvailable() ? TInflater::IsaL : TInflater::Zlib; }

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
